#include "ftp/upload_tree.h"

#include <sys/stat.h>

#include <set>
#include <utility>

#include "engine/directory.h"

namespace {

struct Walk {
    UploadTree tree;
    std::set<std::pair<dev_t, ino_t>> reached;  // folders seen, by device and inode
};

void AddFolder(Walk& walk, const std::string& path, const std::string& relative) {
    for (UploadFile file : ListUploadFiles(path)) {
        if (!relative.empty()) {
            file.name = relative + "/" + file.name;
        }
        walk.tree.files.push_back(std::move(file));
    }
    for (const DirectoryEntry& entry : ListDirectory(path)) {
        if (!entry.isDirectory || entry.name.front() == '.') {
            continue;
        }
        const std::string inner = JoinPath(path, entry.name);
        struct stat status {};
        if (::stat(inner.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
            !walk.reached.insert({status.st_dev, status.st_ino}).second) {
            continue;
        }
        const std::string name = relative.empty() ? entry.name : relative + "/" + entry.name;
        walk.tree.folders.push_back(name);
        AddFolder(walk, inner, name);
    }
}

}  // namespace

UploadTree ListUploadTree(const std::string& folder) {
    Walk walk;
    struct stat status {};
    if (folder.empty() || ::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return {};
    }
    walk.reached.insert({status.st_dev, status.st_ino});
    AddFolder(walk, folder, "");
    return std::move(walk.tree);
}

std::string_view FolderOfName(std::string_view name) {
    const auto slash = name.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : name.substr(0, slash);
}
