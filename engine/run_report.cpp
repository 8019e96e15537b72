#include "engine/run_report.h"

#include <cstring>
#include <filesystem>
#include <map>

#include "engine/directory.h"

namespace {

bool IsStartPage(const std::string& path) {
    return MatchesWildcard(kStartPageName, FileNameOf(path));
}

}  // namespace

std::vector<std::string> RunReport::Lines() const {
    std::vector<std::string> lines;
    if (destinationBusy) {
        lines.push_back("another publication is running into this folder");
    }
    if (!failure.empty()) {
        lines.push_back("the run failed: " + failure);
    }
    for (const FileProblem& p : unreadable) {
        lines.push_back("could not read " + p.name + ": " + p.reason);
    }
    for (const FileProblem& p : notWritten) {
        lines.push_back("could not write " + p.name + ": " + p.reason);
    }
    for (const FileProblem& p : leftOut) {
        lines.push_back("left out " + p.name + ": " + p.reason);
    }
    for (const std::string& name : replacedForeign) {
        lines.push_back("replaced, not made by Galvane: " + name);
    }
    for (const std::string& name : kept) {
        lines.push_back("kept: not made by Galvane: " + name);
    }
    for (const FileProblem& p : foldersLeftOut) {
        lines.push_back("not an album: " + p.name + ": " + p.reason);
    }
    return lines;
}

std::string SystemReason(int error) {
    char text[256] = {};
    // The GNU strerror_r may return a static string instead of filling the buffer.
    const char* reason = ::strerror_r(error, text, sizeof text);
    return reason != nullptr ? reason : "unknown error";
}

bool StartPageWritten(const RunReport& report, const std::string& destFolder) {
    for (const FileProblem& p : report.notWritten) {
        if (IsStartPage(p.name)) {
            return false;
        }
    }
    std::error_code ec;
    return std::filesystem::is_regular_file(JoinPath(destFolder, kStartPageName), ec);
}

std::string MainWriteFailure(const RunReport& report) {
    std::map<std::string, int> counts;
    const std::string* most = nullptr;
    for (const FileProblem& p : report.notWritten) {
        if (IsStartPage(p.name)) {
            return p.reason;
        }
        const int count = ++counts[p.reason];
        if (most == nullptr || count > counts[*most]) {
            most = &p.reason;
        }
    }
    return most != nullptr ? *most : report.failure;
}
