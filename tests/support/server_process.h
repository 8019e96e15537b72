#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// A test server run as a child process: it prints its port on its first line of output, and dies
// with the process that started it. The password reaches it through FTP_FIXTURE_PASSWORD in its
// environment, never its command line.
struct ServerProcess {
    pid_t pid = -1;
    int port = 0;  // 0 when the server did not start or tell its port in time
};

ServerProcess StartServerProcess(const std::vector<std::string>& args, const std::string& password);
// Stops it by its PID: SIGTERM, then SIGKILL if it lingers.
void StopServerProcess(ServerProcess& process);
