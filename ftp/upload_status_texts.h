#pragma once

#include <string>

#include "ftp/upload_window.h"

// The texts an upload shows in its window's status line, and its one question.
namespace upload_status {

inline constexpr const char* kConnecting = "Connecting...";
inline constexpr const char* kNoSession = "Can not create Internet session";
inline constexpr const char* kNoConnection = "Can not create FTP connection";
inline constexpr const char* kConnected = "Connected";
inline constexpr const char* kSubfolderQuestion = "Can not found a subfolder. Want you create subfolder now?";
inline constexpr const char* kSubfolderQuestionCaption = "Warning";
inline constexpr const char* kSubfolderDeclined = "Can not found a subfolder";
inline constexpr const char* kSubfolderNotCreated = "Can not create a subfolder";
inline constexpr const char* kTerminated = "Terminate of connection ...";
inline constexpr const char* kTransferComplete = "Transfer complete";
inline constexpr const char* kDisconnect = "Disconnect";
inline constexpr const char* kPassiveFallback =
    "Active mode failed: the server could not open a data connection back. Passive mode from now on";
inline constexpr const char* kHostKeyQuestionCaption = "Warning";

// The question for an SFTP host key that known_hosts does not hold.
std::string HostKeyQuestion(const std::string& server, const std::string& fingerprint);
// A status text with its reason on the line below.
std::string WithReason(const std::string& status, const std::string& reason);

// "Transfered %d file(s) to %d"
std::string Transfered(int handled, int total);

// "File %d transfer error [%s \nto ftp://%s/%s/%s]": the file's index counted from 0, its local
// path, then the server, subfolder and remote name as typed (no login, no password). A server typed
// with its scheme shows that scheme in place of "ftp://".
std::string FileTransferError(int index, const std::string& localPath, const std::string& server,
                              const std::string& subfolder, const std::string& remoteName);

// The one line that says how a run ended, shown by the windows under their last status text: "12
// files sent, 47 unchanged, 0 failed" (with ", 3 removed" when files were removed), "Nothing to send:
// the server is up to date", or "Upload not finished: ..." for a run that ended before its last file;
// then the files someone changed on the server since Galvane sent them (see UploadCounts).
std::string UploadSummary(const UploadResult& result);

// The run's counts as galvane-publish prints them: "N sent, M unchanged, K removed, F failed", then
// the files someone changed on the server since Galvane sent them: "; replaced, changed on the
// server: a.htm, b.jpg" and "; kept, changed on the server: c.jpg" for those no longer in the gallery.
std::string UploadCounts(const UploadResult& result);

}  // namespace upload_status
