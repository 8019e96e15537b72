#include "engine/page_buffer.h"

#include <cstdio>
#include <memory>

#include "engine/safe_files.h"

bool PageBuffer::ReplacePlaceholder(std::string_view name, std::string_view value) {
    const std::ptrdiff_t p = Find(name);
    if (p < 0) {
        return false;
    }
    const auto start = static_cast<std::size_t>(p);
    Replace(start, start + name.size(), value);
    return true;
}

namespace {
using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    // Never blocks on a FIFO or device: only regular files are read.
    std::string reason;
    return ReadRegularFile(path, text, reason);
}

bool WriteWholeFile(const std::string& path, std::string_view text) {
    File file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file) {
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    return std::fclose(file.release()) == 0 && written;
}
