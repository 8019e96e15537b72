#pragma once

#include <string>

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

// "Transfered %d file(s) to %d"
std::string Transfered(int handled, int total);

// "File %d transfer error [%s \nto ftp://%s/%s/%s]": the file's index counted from 0, its local
// path, then the server, subfolder and remote name as typed (no login, no password).
std::string FileTransferError(int index, const std::string& localPath, const std::string& server,
                              const std::string& subfolder, const std::string& remoteName);

}  // namespace upload_status
