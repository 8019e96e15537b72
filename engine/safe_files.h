#pragma once

#include <string>
#include <string_view>

// Reading and writing of the run's files so that a failure never leaves a cut file, a stray
// temporary or a hung run, and every failure comes with the system's reason.

// Reads a whole regular file (following symbolic links). A FIFO, device or folder is never
// opened for reading in a way that could block: it fails with "not a regular file".
bool ReadRegularFile(const std::string& path, std::string& text, std::string& reason);

enum class WriteOutcome { Written, Unchanged, Failed };

// Writes `bytes` to a temporary name in the target's folder and renames it into place, so the
// target holds either its old bytes or all the new ones. A target that already holds exactly
// these bytes is left untouched (Unchanged, its time stamps kept). A target that exists but is not
// a regular file (a FIFO, a device, a folder) is not replaced. On failure nothing of the attempt
// is left and `reason` says why.
WriteOutcome WriteFileSafely(const std::string& path, std::string_view bytes, std::string& reason);

// ReadRegularFile of `source`, then WriteFileSafely to `target`; `reason` names the side that
// failed.
WriteOutcome CopyFileSafely(const std::string& source, const std::string& target, std::string& reason);

// The reason FolderLock gives when another holder has the folder.
inline constexpr const char* kFolderBusy = "another publication is running into this folder";

// Holds an exclusive lock on a folder itself (flock on the open folder), so no lock file is made
// and the lock goes with the process however it ends.
class FolderLock {
public:
    FolderLock() = default;
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    ~FolderLock() { Release(); }

    // False, without waiting, when another holder has the folder; `reason` then says so.
    bool TryAcquire(const std::string& folder, std::string& reason);
    void Release();

private:
    int m_fd = -1;
};
