#include "ftp/upload_status_texts.h"

namespace upload_status {

std::string Transfered(int handled, int total) {
    return "Transfered " + std::to_string(handled) + " file(s) to " + std::to_string(total);
}

std::string FileTransferError(int index, const std::string& localPath, const std::string& server,
                              const std::string& subfolder, const std::string& remoteName) {
    return "File " + std::to_string(index) + " transfer error [" + localPath + " \nto ftp://" + server + "/" +
           subfolder + "/" + remoteName + "]";
}

}  // namespace upload_status
