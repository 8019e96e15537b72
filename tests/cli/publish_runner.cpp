#include "tests/cli/publish_runner.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

std::string Quoted(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

Outcome RunPublish(const std::vector<std::string>& args, const std::string& password, int timeoutSeconds) {
    // Without a controlling terminal, so that no password is ever asked for.
    std::string command = timeoutSeconds > 0 ? "timeout " + std::to_string(timeoutSeconds) + " " : "";
    command += "setsid -w env -u GALVANE_FTP_PASSWORD ";
    if (!password.empty()) {
        command += "GALVANE_FTP_PASSWORD=" + Quoted(password) + " ";
    }
    command += Quoted(GALVANE_PUBLISH);
    for (const std::string& arg : args) {
        command += " " + Quoted(arg);
    }
    Outcome outcome;
    std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    char chunk[4096];
    while (std::size_t got = std::fread(chunk, 1, sizeof chunk, pipe)) {
        outcome.output.append(chunk, got);
    }
    const int status = ::pclose(pipe);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

pid_t StartPublish(const std::vector<std::string>& args, const std::string& outputFile) {
    std::vector<std::string> argv{GALVANE_PUBLISH};
    argv.insert(argv.end(), args.begin(), args.end());
    // Everything allocated before the fork: the child only calls what is safe there.
    std::vector<char*> pointers;
    for (std::string& arg : argv) {
        pointers.push_back(arg.data());
    }
    pointers.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        const int out = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(out, STDERR_FILENO);
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }
    return pid;
}

int WaitForPublish(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

void MakeJpeg(const std::string& path, const std::string& size, int seed) {
    const std::string command =
        "convert -seed " + std::to_string(seed) + " -size " + size + " plasma:fractal " + Quoted(path);
    ASSERT_EQ(std::system(command.c_str()), 0);
}
