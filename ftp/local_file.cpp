#include "ftp/local_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

LocalFile::~LocalFile() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool LocalFile::Open(const std::string& path) {
    // O_NONBLOCK keeps the open itself from waiting on a FIFO; the type is checked on what was opened.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    m_fd = fd;
    m_size = status.st_size;
    return true;
}

std::ptrdiff_t LocalFile::Read(char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t count = ::read(m_fd, buffer, size);
        if (count >= 0 || errno != EINTR) {
            return count;
        }
    }
}
