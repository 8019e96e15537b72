#include "engine/page_buffer.h"

#include <cstdio>
#include <memory>

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
    text.clear();
    File file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) {
        return false;
    }
    char chunk[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        text.append(chunk, got);
    }
    return !std::ferror(file.get());
}

bool WriteWholeFile(const std::string& path, std::string_view text) {
    File file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file) {
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
    return std::fclose(file.release()) == 0 && written;
}
