#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tests/support/server_process.h"
#include "tests/support/temp_folder.h"

// tests/support/sftp_server.py (asyncssh) as a child process on 127.0.0.1 at a free port, serving
// FtpTestServer's user and password over SFTP, rooted at a fresh home folder. Its host key lives in
// the given file, made on first start: a second server on the same file has the same key. With
// `closeDelayMs`, each CLOSE is answered that late; with `listDelayMs`, each folder opened for reading.
class SftpTestServer {
public:
    explicit SftpTestServer(const std::string& hostKeyFile, int closeDelayMs = 0, int listDelayMs = 0);
    ~SftpTestServer();
    SftpTestServer(const SftpTestServer&) = delete;
    SftpTestServer& operator=(const SftpTestServer&) = delete;

    bool IsRunning() const { return m_process.port > 0; }
    int port() const { return m_process.port; }
    // "sftp://127.0.0.1:port", as typed in an upload's server field.
    std::string address() const;
    const std::string& home() const { return m_home; }
    // The requests so far, in order of arrival: "OPEN NAME", "CLOSE", "STAT NAME",
    // "FSTAT", "LISTDIR NAME", "REMOVE NAME" (no reads nor writes).
    std::vector<std::string> Requests() const;
    // The same requests, each with the number of the login that made it (1 for the first).
    std::vector<std::pair<int, std::string>> RequestsByLogin() const;
    void Stop();

private:
    TempFolder m_folder;
    std::string m_home;
    std::string m_log;
    std::string m_sessionLog;
    ServerProcess m_process;
};

// Writes a self-signed certificate and its key (PEM, one file) for `name`, an address or a host
// name; with `expired`, one whose validity ended yesterday. False when it could not be made.
bool MakeTestCertificate(const std::string& file, const std::string& name, bool expired = false);
