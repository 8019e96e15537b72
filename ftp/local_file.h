#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A local file opened for sending. Only a regular file (or a link to one) opens: a FIFO or a device
// would block the upload or never end.
class LocalFile {
public:
    LocalFile() = default;
    ~LocalFile();
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;

    bool Open(const std::string& path);
    std::int64_t Size() const { return m_size; }
    // Fills the buffer from the file: the byte count, 0 at the end, -1 on a read error.
    std::ptrdiff_t Read(char* buffer, std::size_t size);

private:
    int m_fd = -1;
    std::int64_t m_size = 0;
};
