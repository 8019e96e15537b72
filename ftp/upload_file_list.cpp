#include "ftp/upload_file_list.h"

#include "engine/directory.h"
#include "ftp/local_file.h"

std::vector<std::string> ListUploadFiles(const std::string& folder) {
    std::vector<std::string> files;
    if (folder.empty()) {
        return files;  // never the working folder of the process
    }
    for (const DirectoryEntry& entry : ListDirectory(folder)) {
        if (entry.isDirectory) {
            continue;
        }
        std::string path = JoinPath(folder, entry.name);
        if (IsRegularFile(path)) {
            files.push_back(std::move(path));
        }
    }
    return files;
}
