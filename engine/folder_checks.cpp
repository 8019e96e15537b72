#include "engine/folder_checks.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "engine/album_tree.h"
#include "engine/directory.h"
#include "engine/source_scan.h"

namespace {

std::string ProbeName(const std::string& folder) {
    static std::atomic<unsigned> counter{0};
    return JoinPath(folder, std::string(kOwnFilePrefix) + "probe-" + std::to_string(::getpid()) + "-" +
                                std::to_string(counter++));
}

}  // namespace

bool CanWriteIntoFolder(const std::string& folder, std::string& reason) {
    std::string probe;
    int fd = -1;
    // A name taken by something else (another program's probe) is left alone: try the next one.
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        probe = ProbeName(folder);
        fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno != EEXIST) {
            reason = SystemReason(errno);
            return false;
        }
    }
    if (fd < 0) {
        reason = SystemReason(EEXIST);
        return false;
    }
    // One byte, so that a disk without a free block is found here and not in the middle of the run.
    const char byte = 0;
    ssize_t written;
    do {
        written = ::write(fd, &byte, 1);
    } while (written < 0 && errno == EINTR);
    const int writeError = written == 1 ? 0 : (written < 0 ? errno : ENOSPC);
    const int closeError = ::close(fd) == 0 ? 0 : errno;
    const int unlinkError = ::unlink(probe.c_str()) == 0 ? 0 : errno;
    const int error = writeError != 0 ? writeError : (closeError != 0 ? closeError : unlinkError);
    if (error != 0) {
        reason = SystemReason(error);
        return false;
    }
    return true;
}

SourceState CheckSourcePictures(const std::string& folder, std::string& reason, bool albums) {
    // ListDirectory hides why a folder cannot be read; opening it once more tells.
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        reason = SystemReason(errno);
        return SourceState::Unreadable;
    }
    ::closedir(dir);
    ImageList pictures;
    ScanSourceFolder(folder, pictures);
    if (pictures.GetSize() > 0 || (albums && ScanAlbums(folder).top.PicturesInTree() > 0)) {
        return SourceState::HoldsPictures;
    }
    return SourceState::NoPictures;
}
