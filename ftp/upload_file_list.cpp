#include "ftp/upload_file_list.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <string_view>
#include <utility>

#include "engine/directory.h"

std::vector<UploadFile> ListUploadFiles(const std::string& folder) {
    std::vector<UploadFile> files;
    if (folder.empty()) {
        return files;  // never the working folder of the process
    }
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) {
        return files;
    }
    const int at = ::dirfd(dir.get());
    std::vector<std::pair<std::string, UploadFile>> found;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == ".." || entry->d_type == DT_DIR) {
            continue;
        }
        struct stat status {};
        if (::fstatat(at, entry->d_name, &status, 0) != 0 || !S_ISREG(status.st_mode)) {
            continue;  // links are followed: a link to a folder or to nothing is left out
        }
        found.push_back(
            {std::string(name), {{}, static_cast<std::int64_t>(status.st_size), status.st_mtime}});
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return EnumerationOrderLess(a.first, b.first); });
    files.reserve(found.size());
    for (auto& [name, file] : found) {
        file.path = JoinPath(folder, name);
        files.push_back(std::move(file));
    }
    return files;
}
