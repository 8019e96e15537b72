#pragma once

#include <sys/mount.h>

#include <string>

// A small tmpfs of its own, mounted over an existing folder for one test and detached after it.
// Mounting needs root: Mounted() says whether it worked.
class SmallDisk {
public:
    SmallDisk(const std::string& where, const std::string& options) : m_where(where) {
        m_mounted = ::mount("tmpfs", where.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallDisk() {
        if (m_mounted) {
            ::umount2(m_where.c_str(), MNT_DETACH);
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Mounted() const { return m_mounted; }
    // Remounts it read-only; false when that failed.
    bool MakeReadOnly() {
        return m_mounted && ::mount("tmpfs", m_where.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    std::string m_where;
    bool m_mounted = false;
};
