#include "tests/support/ftp_test_server.h"

#include <fstream>

namespace {

std::vector<std::string> ServerArguments(const FtpTestServerOptions& options, const std::string& home,
                                         const std::string& log, const std::string& connectionLog) {
    std::vector<std::string> args = {GALVANE_SYSTEM_PYTHON,
                                     GALVANE_FTP_SERVER_SCRIPT,
                                     "--home",
                                     home,
                                     "--user",
                                     FtpTestServer::kLogin,
                                     "--log",
                                     log,
                                     "--connection-log",
                                     connectionLog};
    const auto add = [&](const char* flag, const std::vector<std::string>& names) {
        for (const std::string& name : names) {
            args.insert(args.end(), {flag, name});
        }
    };
    add("--refuse", options.refuse);
    add("--drop-on", options.dropOn);
    add("--stall-on", options.stallOn);
    add("--stall-data-on", options.stallDataOn);
    if (!options.tlsCertificate.empty()) {
        args.insert(args.end(), {"--tls-certificate", options.tlsCertificate});
    }
    if (options.refuseActive) {
        args.push_back("--refuse-active");
    }
    if (options.noMfmt) {
        args.push_back("--no-mfmt");
    }
    if (options.listOnly) {
        args.push_back("--list-only");
    }
    if (options.clockOffset != 0) {
        args.insert(args.end(), {"--clock-offset", std::to_string(options.clockOffset)});
    }
    if (options.listingOffset != 0) {
        args.insert(args.end(), {"--listing-offset", std::to_string(options.listingOffset)});
    }
    add("--disk-full-on", options.diskFullOn);
    add("--drop-after", options.dropAfter);
    add("--drop-once-after", options.dropOnceAfter);
    if (options.dataLimit > 0) {
        args.insert(args.end(), {"--data-limit", std::to_string(options.dataLimit)});
    }
    if (options.noPipelining) {
        args.push_back("--no-pipelining");
    }
    return args;
}

}  // namespace

FtpTestServer::FtpTestServer(FtpTestServerOptions options)
    : m_home(m_folder.MakeFolder("home")),
      m_log(m_folder / "commands.log"),
      m_connectionLog(m_folder / "connections.log") {
    m_process = StartServerProcess(ServerArguments(options, m_home, m_log, m_connectionLog), kPassword);
}

FtpTestServer::~FtpTestServer() {
    Stop();
}

std::string FtpTestServer::address() const {
    return "127.0.0.1:" + std::to_string(port());
}

std::vector<std::string> FtpTestServer::Commands() const {
    std::vector<std::string> commands;
    std::ifstream in(m_log);
    for (std::string line; std::getline(in, line);) {
        commands.push_back(line);
    }
    return commands;
}

std::vector<std::pair<int, std::string>> FtpTestServer::CommandsByConnection() const {
    std::vector<std::pair<int, std::string>> commands;
    std::ifstream in(m_connectionLog);
    for (std::string line; std::getline(in, line);) {
        const auto space = line.find(' ');
        if (space != std::string::npos) {
            commands.emplace_back(std::stoi(line.substr(0, space)), line.substr(space + 1));
        }
    }
    return commands;
}

void FtpTestServer::Stop() {
    StopServerProcess(m_process);
}
