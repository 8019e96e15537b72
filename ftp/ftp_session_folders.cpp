// Requests on folders below the current folder: making and removing them, and the commands that
// name a file or folder below it.
#include <utility>

#include "ftp/ftp_session.h"

namespace {

// Curl's SFTP quote commands read a quoted path with '"' and '\' escaped by a backslash.
std::string QuotedSftpPath(const std::string& path) {
    std::string quoted = "\"";
    for (const char c : path) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + '"';
}

}  // namespace

FtpOutcome FtpSession::MakeFolderBelow(const std::string& below) {
    if (m_aborted) {
        return FtpOutcome::Aborted;
    }
    if (below.empty() || HasControlCharacters(below)) {
        return FtpOutcome::Refused;
    }
    return m_scheme == FtpScheme::Sftp ? RunSftpCommand("mkdir", below) : RunInCurrentFolder("MKD " + below);
}

FtpOutcome FtpSession::RemoveFolderBelow(const std::string& below) {
    if (m_aborted) {
        return FtpOutcome::Aborted;
    }
    if (below.empty() || HasControlCharacters(below)) {
        return FtpOutcome::Refused;
    }
    return m_scheme == FtpScheme::Sftp ? RunSftpCommand("rmdir", below) : RunInCurrentFolder("RMD " + below);
}

// QUOTE commands run before curl changes the folder, POSTQUOTE ones after it: a body-less request
// for the current folder's URL first takes the server there (no CWD when it is there already).
FtpOutcome FtpSession::RunInCurrentFolder(const std::string& command) {
    return RunQuotes({command}, CURLOPT_POSTQUOTE);
}

// SFTP has no current folder on the server: the path goes from the login folder.
FtpOutcome FtpSession::RunSftpCommand(const std::string& command, const std::string& name) {
    return RunQuote(command + " " + QuotedSftpPath(RemotePath(name)));
}
