#include "tests/support/vsftpd_test_server.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace {

// A port that nothing listens on right now (vsftpd needs its port in the configuration).
int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

bool Accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

}  // namespace

VsftpdTestServer::VsftpdTestServer(VsftpdTestServerOptions options)
    : m_root(m_folder.MakeFolder("root")), m_log(m_folder / "vsftpd.log") {
    const std::string empty = m_folder.MakeFolder("empty");
    const std::string site = m_folder.MakeFolder("root/site");
    ::chmod(site.c_str(), 0777);
    const int port = FreePort();
    const std::string config = m_folder / "vsftpd.conf";
    {
        std::ofstream out(config);
        out << "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" << port
            << "\nbackground=NO\nrun_as_launching_user=YES\nseccomp_sandbox=NO\n"
               "anonymous_enable=YES\nlocal_enable=NO\nno_anon_password=YES\nanon_root="
            << m_root << "\nsecure_chroot_dir=" << empty
            << "\nwrite_enable=YES\nanon_upload_enable=YES\nanon_mkdir_write_enable=YES\n"
               "anon_other_write_enable=YES\nanon_umask=022\nxferlog_enable=YES\nlog_ftp_protocol="
               "YES\nvsftpd_log_file="
            << m_log << "\n"
            << "port_enable=" << (options.refuseActive ? "NO" : "YES") << "\n";
        if (!options.tlsCertificate.empty()) {
            out << "ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\nforce_anon_data_ssl=YES\n"
                   "rsa_cert_file="
                << options.tlsCertificate << "\nrsa_private_key_file=" << options.tlsCertificate << "\n";
        }
    }
    const pid_t child = ::fork();
    if (child == 0) {
        const int devnull = ::open("/dev/null", O_WRONLY);
        ::dup2(devnull, STDOUT_FILENO);
        ::dup2(devnull, STDERR_FILENO);
        ::execl(GALVANE_VSFTPD, GALVANE_VSFTPD, config.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    m_process.pid = child;
    for (int i = 0; i < 100 && child > 0; ++i) {
        if (::waitpid(child, nullptr, WNOHANG) == child) {
            m_process.pid = -1;
            return;
        }
        if (Accepts(port)) {
            m_process.port = port;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

// Lines such as: ... [pid 123] FTP command: Client "127.0.0.1", "MDTM a.htm"
std::vector<std::pair<int, std::string>> VsftpdTestServer::CommandsByConnection() const {
    std::vector<std::pair<int, std::string>> commands;
    std::ifstream in(m_log);
    const std::string marker = "] FTP command: Client \"";
    for (std::string line; std::getline(in, line);) {
        const auto pid = line.find("[pid ");
        const auto command = line.find(marker);
        const auto start =
            command == std::string::npos ? command : line.find("\", \"", command + marker.size());
        if (pid == std::string::npos || start == std::string::npos || line.back() != '"') {
            continue;
        }
        commands.emplace_back(std::stoi(line.substr(pid + 5)),
                              line.substr(start + 4, line.size() - start - 5));
    }
    return commands;
}

VsftpdTestServer::~VsftpdTestServer() {
    StopServerProcess(m_process);
}

std::string VsftpdTestServer::address() const {
    return "127.0.0.1:" + std::to_string(m_process.port);
}
