#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tests/support/server_process.h"
#include "tests/support/temp_folder.h"

// How the local test server misbehaves, each keyed by the bare file name given to STOR.
struct FtpTestServerOptions {
    std::vector<std::string> refuse;         // answered 553, nothing stored
    std::vector<std::string> dropOn;         // the control connection is closed at once
    std::vector<std::string> stallOn;        // never answered, nor anything after it
    std::vector<std::string> stallDataOn;    // the transfer starts, then its data is never read
    std::string tlsCertificate;              // FTPS with TLS required, with this certificate and key
    bool refuseActive = false;               // PORT and EPRT answered 500
    bool noMfmt = false;                     // MFMT unknown: a stored file keeps the server's time
    bool listOnly = false;                   // no MLSD: listings by LIST, to the minute
    int clockOffset = 0;                     // seconds the server's clock is ahead
    int listingOffset = 0;                   // seconds every listed time is off
    std::vector<std::string> diskFullOn;     // answered 552
    std::vector<std::string> dropAfter;      // "NAME=N": the connection closes after N bytes, each try
    std::vector<std::string> dropOnceAfter;  // "NAME=N": the same on the first try only
    int dataLimit = 0;                       // bytes a second on each data connection; 0 for no limit
    bool noPipelining = false;               // commands after the first of one read are lost
};

// tests/support/ftp_server.py (pyftpdlib) as a child process on 127.0.0.1 at a free port, serving one
// user whose home is a fresh temporary folder. The password reaches it through its environment.
// Stopped by its PID on destruction; it also dies with the process that started it.
class FtpTestServer {
public:
    static constexpr const char* kLogin = "photographer";
    static constexpr const char* kPassword = "pa ss:w\xC3\xB6rd@1";  // a space, ':', '@' and a UTF-8 letter

    explicit FtpTestServer(FtpTestServerOptions options = {});
    ~FtpTestServer();
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    // Whether the server started and told its port.
    bool IsRunning() const { return m_process.port > 0; }
    int port() const { return m_process.port; }
    // "127.0.0.1:port", as typed in an upload's server field.
    std::string address() const;
    // The user's home folder: the login folder of every upload.
    const std::string& home() const { return m_home; }
    // The commands received so far, in order, the password masked ("PASS ******").
    std::vector<std::string> Commands() const;
    // The same, each after the client's port of the connection it came on.
    std::vector<std::pair<int, std::string>> CommandsByConnection() const;
    void Stop();

private:
    TempFolder m_folder;
    std::string m_home;
    std::string m_log;
    std::string m_connectionLog;
    ServerProcess m_process;
};
