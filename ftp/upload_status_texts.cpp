#include "ftp/upload_status_texts.h"

namespace upload_status {

namespace {

std::string Counts(const UploadResult& result, int removed) {
    std::string text = std::to_string(result.sent) + (result.sent == 1 ? " file sent, " : " files sent, ") +
                       std::to_string(result.skipped) + " unchanged, " + std::to_string(result.failed) +
                       " failed";
    if (removed > 0) {
        text += ", " + std::to_string(removed) + " removed";
    }
    return text;
}

}  // namespace

std::string UploadSummary(const UploadResult& result, int removed) {
    const bool anyFile = result.sent + result.skipped + result.failed + removed > 0;
    if (!result.completed) {
        return "Upload not finished: " +
               (anyFile ? Counts(result, removed) : std::string("nothing was sent"));
    }
    if (!anyFile) {
        return "Nothing to send: the folder holds no files";
    }
    if (result.sent == 0 && result.failed == 0 && removed == 0) {
        return "Nothing to send: the server is up to date";
    }
    return Counts(result, removed);
}

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

}  // namespace upload_status
