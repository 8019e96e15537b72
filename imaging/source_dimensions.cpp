#include "imaging/source_dimensions.h"

#include <sys/stat.h>

#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "imaging/vimbral/vimbral.h"

namespace {

struct FileState {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const FileState& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
               changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
    }
};

struct Remembered {
    FileState state;
    PictureSize size;
};

// A gallery's sources, a few thousand entries; emptied past this so a long session stays small.
constexpr std::size_t kMostRemembered = 200000;

std::mutex g_mutex;
std::unordered_map<std::string, Remembered>& Memo() {
    static std::unordered_map<std::string, Remembered> memo;
    return memo;
}

}  // namespace

std::optional<PictureSize> SourceDimensions(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    const FileState state{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
    {
        const std::lock_guard lock(g_mutex);
        const auto known = Memo().find(path);
        if (known != Memo().end() && known->second.state == state) {
            return known->second.size;
        }
    }
    vimbral::Image image = vimbral::InitImageObject(path.c_str(), nullptr, -1, -1);
    if (image == nullptr) {
        return std::nullopt;  // not remembered: a file being written may be readable soon
    }
    const PictureSize size{vimbral::GetWidth(image), vimbral::GetHeight(image)};
    vimbral::DeleteImageObject(image);
    // Stat again: a file replaced while its header was read is not remembered under the old state.
    struct stat after {};
    if (::stat(path.c_str(), &after) == 0 &&
        FileState{after.st_dev, after.st_ino, after.st_size, after.st_mtim, after.st_ctim} == state) {
        const std::lock_guard lock(g_mutex);
        if (Memo().size() >= kMostRemembered) {
            Memo().clear();
        }
        Memo()[path] = {state, size};
    }
    return size;
}
