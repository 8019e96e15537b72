#include "ftp/upload_file_list.h"

#include <sys/stat.h>

#include <utility>

#include "engine/directory.h"

namespace {

constexpr std::string_view kGalvanePrefix = ".galvane-";
constexpr std::string_view kVimbralMark = ".vimbral-";
constexpr std::size_t kTemporarySuffixLength = 6;  // mkstemp's XXXXXX

}  // namespace

bool IsGalvaneOwnName(std::string_view name) {
    if (name.substr(0, kGalvanePrefix.size()) == kGalvanePrefix) {
        return true;
    }
    // ".NAME.vimbral-XXXXXX", NAME not empty.
    const std::size_t tail = kVimbralMark.size() + kTemporarySuffixLength;
    return name.size() > tail + 1 && name.front() == '.' &&
           name.substr(name.size() - tail, kVimbralMark.size()) == kVimbralMark;
}

std::vector<UploadFile> ListUploadFiles(const std::string& folder) {
    std::vector<UploadFile> files;
    if (folder.empty()) {
        return files;  // never the working folder of the process
    }
    for (const DirectoryEntry& entry : ListDirectory(folder)) {
        if (entry.isDirectory || IsGalvaneOwnName(entry.name)) {
            continue;
        }
        std::string path = JoinPath(folder, entry.name);
        struct stat status {};
        if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
            continue;  // links are followed: a link to a folder or to nothing is left out
        }
        files.push_back(
            {std::move(path), entry.name, static_cast<std::int64_t>(status.st_size), status.st_mtime});
    }
    return files;
}
