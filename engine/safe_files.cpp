#include "engine/safe_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/run_report.h"

namespace {

constexpr const char* kNotRegular = "not a regular file";

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int get() const { return m_fd; }
    // Closes now, reporting the close's own failure (a delayed write error shows here).
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool ReadAll(int fd, std::string& text) {
    char chunk[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got > 0) {
            text.append(chunk, static_cast<std::size_t>(got));
        } else if (got == 0) {
            return true;
        } else if (errno != EINTR) {
            return false;
        }
    }
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(put));
        } else if (put < 0 && errno != EINTR) {
            return false;
        } else if (put == 0) {
            errno = EIO;
            return false;
        }
    }
    return true;
}

// The mode a file created with 0666 gets under this process's umask.
mode_t NewFileMode() {
    static const mode_t mode = [] {
        // /proc tells the mask without changing it, which umask() cannot do without a race.
        if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
            char line[256];
            unsigned mask = 0;
            bool found = false;
            while (std::fgets(line, sizeof line, status) != nullptr) {
                if (std::sscanf(line, "Umask: %o", &mask) == 1) {
                    found = true;
                    break;
                }
            }
            std::fclose(status);
            if (found) {
                return static_cast<mode_t>(0666 & ~mask);
            }
        }
        const mode_t mask = ::umask(022);
        ::umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    return mode;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool HoldsExactly(const std::string& path, std::string_view bytes) {
    std::string existing;
    std::string ignored;
    return ReadRegularFile(path, existing, ignored) && existing == bytes;
}

}  // namespace

bool ReadRegularFile(const std::string& path, std::string& text, std::string& reason) {
    text.clear();
    // Non-blocking, so that opening a FIFO returns at once instead of waiting for a writer.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        reason = SystemReason(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        reason = SystemReason(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        reason = kNotRegular;
        return false;
    }
    text.reserve(static_cast<std::size_t>(st.st_size));
    if (!ReadAll(fd.get(), text)) {
        reason = SystemReason(errno);
        text.clear();
        return false;
    }
    return true;
}

WriteOutcome WriteFileSafely(const std::string& path, std::string_view bytes, std::string& reason) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            reason = kNotRegular;
            return WriteOutcome::Failed;
        }
        if (static_cast<std::size_t>(st.st_size) == bytes.size() && HoldsExactly(path, bytes)) {
            return WriteOutcome::Unchanged;
        }
    }
    // A short temporary name: a long target name then fails on its own rename, with its own reason.
    std::string temporary = FolderOf(path) + "/.galvane-XXXXXX";
    Descriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        reason = SystemReason(errno);
        return WriteOutcome::Failed;
    }
    const auto fail = [&](int error) {
        ::unlink(temporary.c_str());
        reason = SystemReason(error);
        return WriteOutcome::Failed;
    };
    if (!WriteAll(fd.get(), bytes) || ::fchmod(fd.get(), NewFileMode()) != 0) {
        return fail(errno);
    }
    if (!fd.Close()) {
        return fail(errno);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        return fail(errno);
    }
    return WriteOutcome::Written;
}

WriteOutcome CopyFileSafely(const std::string& source, const std::string& target, std::string& reason) {
    std::string bytes;
    if (!ReadRegularFile(source, bytes, reason)) {
        reason = "cannot read " + source + ": " + reason;
        return WriteOutcome::Failed;
    }
    return WriteFileSafely(target, bytes, reason);
}

bool FolderLock::TryAcquire(const std::string& folder, std::string& reason) {
    Release();
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        reason = SystemReason(errno);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        reason = errno == EWOULDBLOCK ? kFolderBusy : SystemReason(errno);
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

void FolderLock::Release() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}
