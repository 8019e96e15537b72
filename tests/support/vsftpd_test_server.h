#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tests/support/server_process.h"
#include "tests/support/temp_folder.h"

// How the vsftpd test server is set up.
struct VsftpdTestServerOptions {
    std::string tlsCertificate;  // TLS required for the login and for data, with this certificate and key
    bool refuseActive = false;   // port_enable=NO: PORT and EPRT refused
};

// Debian's vsftpd in the foreground with a configuration of its own, on 127.0.0.1 at a free port,
// run as the user who starts it. It serves anonymous logins (any password) in a fresh folder whose
// subfolder "site" takes uploads. Stopped by its PID on destruction.
class VsftpdTestServer {
public:
    static constexpr const char* kLogin = "anonymous";
    static constexpr const char* kUploadFolder = "site";

    explicit VsftpdTestServer(VsftpdTestServerOptions options = {});
    ~VsftpdTestServer();
    VsftpdTestServer(const VsftpdTestServer&) = delete;
    VsftpdTestServer& operator=(const VsftpdTestServer&) = delete;

    bool IsRunning() const { return m_process.pid > 0 && m_process.port > 0; }
    // "127.0.0.1:port".
    std::string address() const;
    // Where the uploads to kUploadFolder land.
    std::string uploads() const { return m_root + "/" + kUploadFolder; }
    // The commands received so far, in order, each after the process id of the session that
    // received it (one per login).
    std::vector<std::pair<int, std::string>> CommandsByConnection() const;

private:
    TempFolder m_folder;
    std::string m_root;
    std::string m_log;
    ServerProcess m_process;
};
