#include "tests/support/server_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace {

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

ServerProcess StartServerProcess(const std::vector<std::string>& args, const std::string& password) {
    ServerProcess process;
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    // The environment is built before fork: the child may only make async-signal-safe calls.
    const std::string passwordVariable = "FTP_FIXTURE_PASSWORD=" + password;
    std::vector<char*> envp;
    for (char** variable = environ; *variable; ++variable) {
        envp.push_back(*variable);
    }
    envp.push_back(const_cast<char*>(passwordVariable.c_str()));
    envp.push_back(nullptr);

    int output[2];
    if (::pipe2(output, O_CLOEXEC) != 0) {
        return process;
    }
    const pid_t parent = ::getpid();
    process.pid = ::fork();
    if (process.pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(1);
        }
        ::dup2(output[1], STDOUT_FILENO);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(output[1]);
    if (process.pid > 0) {
        process.port = ReadPort(output[0]);
    }
    ::close(output[0]);
    return process;
}

void StopServerProcess(ServerProcess& process) {
    if (process.pid <= 0) {
        return;
    }
    ::kill(process.pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (::waitpid(process.pid, nullptr, WNOHANG) == process.pid) {
            process.pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(process.pid, SIGKILL);
    ::waitpid(process.pid, nullptr, 0);
    process.pid = -1;
}
