#include "ftp/upload_file_list.h"

#include <sys/stat.h>

#include <utility>

#include "engine/directory.h"

std::vector<UploadFile> ListUploadFiles(const std::string& folder) {
    std::vector<UploadFile> files;
    if (folder.empty()) {
        return files;  // never the working folder of the process
    }
    for (const DirectoryEntry& entry : ListDirectory(folder)) {
        if (entry.isDirectory) {
            continue;
        }
        std::string path = JoinPath(folder, entry.name);
        struct stat status {};
        if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
            continue;  // links are followed: a link to a folder or to nothing is left out
        }
        files.push_back({std::move(path), static_cast<std::int64_t>(status.st_size), status.st_mtime});
    }
    return files;
}
