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

}  // namespace upload_status
