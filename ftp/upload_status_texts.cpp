#include "ftp/upload_status_texts.h"

namespace upload_status {

std::string Transfered(int handled, int total) {
    return "Transfered " + std::to_string(handled) + " file(s) to " + std::to_string(total);
}

std::string FileTransferError(int index, const std::string& localPath, const std::string& server,
                              const std::string& subfolder, const std::string& remoteName) {
    const bool hasScheme = server.find("://") != std::string::npos;
    return "File " + std::to_string(index) + " transfer error [" + localPath + " \nto " +
           (hasScheme ? "" : "ftp://") + server + "/" + subfolder + "/" + remoteName + "]";
}

std::string HostKeyQuestion(const std::string& server, const std::string& fingerprint) {
    return "The host key of " + server + " is not known yet:\n" + fingerprint +
           "\nTrust it and add it to known_hosts?";
}

std::string WithReason(const std::string& status, const std::string& reason) {
    return reason.empty() ? status : status + "\n" + reason;
}

namespace {

std::string Names(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

// The files someone changed on the server since Galvane sent them, or nothing.
std::string ChangedOnServer(const UploadResult& result) {
    std::string text;
    if (!result.replacedChanged.empty()) {
        text += "; replaced, changed on the server: " + Names(result.replacedChanged);
    }
    if (!result.keptChanged.empty()) {
        text += "; kept, changed on the server: " + Names(result.keptChanged);
    }
    return text;
}

std::string Counts(const UploadResult& result) {
    std::string text = std::to_string(result.sent) + (result.sent == 1 ? " file sent, " : " files sent, ") +
                       std::to_string(result.skipped) + " unchanged, " + std::to_string(result.failed) +
                       " failed";
    if (result.removed > 0) {
        text += ", " + std::to_string(result.removed) + " removed";
    }
    return text + ChangedOnServer(result);
}

}  // namespace

std::string UploadSummary(const UploadResult& result) {
    const bool anyFile = result.sent + result.skipped + result.failed + result.removed > 0;
    if (!result.completed) {
        return "Upload not finished: " + (anyFile ? Counts(result) : std::string("nothing was sent"));
    }
    if (!anyFile) {
        return "Nothing to send: the folder holds no files";
    }
    if (result.sent == 0 && result.failed == 0 && result.removed == 0 && result.keptChanged.empty()) {
        return "Nothing to send: the server is up to date";
    }
    return Counts(result);
}

std::string UploadCounts(const UploadResult& result) {
    return std::to_string(result.sent) + " sent, " + std::to_string(result.skipped) + " unchanged, " +
           std::to_string(result.removed) + " removed, " + std::to_string(result.failed) + " failed" +
           ChangedOnServer(result);
}

}  // namespace upload_status
