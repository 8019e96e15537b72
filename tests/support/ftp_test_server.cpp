#include "tests/support/ftp_test_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

extern char** environ;

namespace {

std::vector<std::string> ServerArguments(const FtpTestServerOptions& options, const std::string& home,
                                         const std::string& log) {
    std::vector<std::string> args = {GALVANE_SYSTEM_PYTHON,
                                     GALVANE_FTP_SERVER_SCRIPT,
                                     "--home",
                                     home,
                                     "--user",
                                     FtpTestServer::kLogin,
                                     "--log",
                                     log};
    const auto add = [&](const char* flag, const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            args.insert(args.end(), {flag, name});
        }
    };
    add("--refuse", options.refuse);
    add("--drop-on", options.dropOn);
    add("--stall-on", options.stallOn);
    add("--stall-data-on", options.stallDataOn);
    return args;
}

// Reads the first line the server prints: its port. 0 when nothing comes within the time limit.
int ReadPort(int fd) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd waiting{fd, POLLIN, 0};
        if (::poll(&waiting, 1, 200) <= 0) {
            continue;
        }
        char c = 0;
        if (::read(fd, &c, 1) != 1) {
            return 0;
        }
        if (c == '\n') {
            return std::atoi(line.c_str());
        }
        line += c;
    }
    return 0;
}

}  // namespace

FtpTestServer::FtpTestServer(FtpTestServerOptions options)
    : m_home(m_folder.MakeFolder("home")), m_log(m_folder / "commands.log") {
    const std::vector<std::string> args = ServerArguments(options, m_home, m_log);
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    // The environment is built before fork: the child may only make async-signal-safe calls.
    const std::string passwordVariable = std::string("FTP_FIXTURE_PASSWORD=") + kPassword;
    std::vector<char*> envp;
    for (char** variable = environ; *variable; ++variable) {
        envp.push_back(*variable);
    }
    envp.push_back(const_cast<char*>(passwordVariable.c_str()));
    envp.push_back(nullptr);

    int output[2];
    if (::pipe2(output, O_CLOEXEC) != 0) {
        return;
    }
    const pid_t parent = ::getpid();
    m_pid = ::fork();
    if (m_pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(1);
        }
        ::dup2(output[1], STDOUT_FILENO);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(output[1]);
    if (m_pid > 0) {
        m_port = ReadPort(output[0]);
    }
    ::close(output[0]);
}

FtpTestServer::~FtpTestServer() {
    Stop();
}

std::string FtpTestServer::address() const {
    return "127.0.0.1:" + std::to_string(m_port);
}

std::vector<std::string> FtpTestServer::Commands() const {
    std::vector<std::string> commands;
    std::ifstream in(m_log);
    for (std::string line; std::getline(in, line);) {
        commands.push_back(line);
    }
    return commands;
}

void FtpTestServer::Stop() {
    if (m_pid <= 0) {
        return;
    }
    ::kill(m_pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
            m_pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}
