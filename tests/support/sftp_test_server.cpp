#include "tests/support/sftp_test_server.h"

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "tests/support/ftp_test_server.h"

SftpTestServer::SftpTestServer(const std::string& hostKeyFile, int closeDelayMs, int listDelayMs)
    : m_home(m_folder.MakeFolder("home")),
      m_log(m_folder / "requests.log"),
      m_sessionLog(m_folder / "sessions.log") {
    m_process = StartServerProcess(
        {GALVANE_SYSTEM_PYTHON, GALVANE_SFTP_SERVER_SCRIPT, "--home", m_home, "--user", FtpTestServer::kLogin,
         "--host-key", hostKeyFile, "--log", m_log, "--session-log", m_sessionLog, "--close-delay-ms",
         std::to_string(closeDelayMs), "--listdir-delay-ms", std::to_string(listDelayMs)},
        FtpTestServer::kPassword);
}

SftpTestServer::~SftpTestServer() {
    Stop();
}

std::string SftpTestServer::address() const {
    return "sftp://127.0.0.1:" + std::to_string(port());
}

std::vector<std::string> SftpTestServer::Requests() const {
    std::vector<std::string> lines;
    std::ifstream in(m_log);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::pair<int, std::string>> SftpTestServer::RequestsByLogin() const {
    std::vector<std::pair<int, std::string>> requests;
    std::ifstream in(m_sessionLog);
    for (std::string line; std::getline(in, line);) {
        const auto blank = line.find(' ');
        if (blank != std::string::npos && blank > 0) {
            requests.emplace_back(std::stoi(line.substr(0, blank)), line.substr(blank + 1));
        }
    }
    return requests;
}

void SftpTestServer::Stop() {
    StopServerProcess(m_process);
}

bool MakeTestCertificate(const std::string& file, const std::string& name, bool expired) {
    const pid_t child = ::fork();
    if (child == 0) {
        const char* argv[] = {GALVANE_SYSTEM_PYTHON, GALVANE_MAKE_CERTIFICATE_SCRIPT, file.c_str(), "--name",
                              name.c_str(),          expired ? "--expired" : nullptr, nullptr};
        ::execv(argv[0], const_cast<char**>(argv));
        ::_exit(127);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}
