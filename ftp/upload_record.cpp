#include "ftp/upload_record.h"

#include <charconv>

#include "ftp/ftp_address.h"

namespace {

constexpr std::string_view kHeader = "galvane-upload-record 1";
constexpr std::size_t kHashLength = 64;
constexpr std::string_view kFolderMark = "folder ";

bool IsHexHash(std::string_view text) {
    if (text.size() != kHashLength) {
        return false;
    }
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    return true;
}

// The next space-separated field, taken off the front of `line`.
bool TakeField(std::string_view& line, std::string_view& field) {
    const auto space = line.find(' ');
    if (space == std::string_view::npos) {
        return false;
    }
    field = line.substr(0, space);
    line.remove_prefix(space + 1);
    return true;
}

template <typename Number>
bool ReadNumber(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string FormatUploadRecord(const UploadRecord& record, const MadeFolders& folders) {
    std::string text(kHeader);
    text += '\n';
    for (const auto& [name, file] : record) {
        if (name.empty() || HasControlCharacters(name) || !IsHexHash(file.hash)) {
            continue;
        }
        text += file.hash + ' ' + std::to_string(file.size) + ' ' +
                std::to_string(static_cast<long long>(file.remoteTime)) + ' ' + name + '\n';
    }
    for (const std::string& folder : folders) {
        if (!folder.empty() && !HasControlCharacters(folder)) {
            text += std::string(kFolderMark) + folder + '\n';
        }
    }
    return text;
}

std::optional<UploadRecord> ParseUploadRecord(std::string_view text, MadeFolders* folders) {
    const auto firstEnd = text.find('\n');
    if (firstEnd == std::string_view::npos || text.substr(0, firstEnd) != kHeader) {
        return std::nullopt;
    }
    text.remove_prefix(firstEnd + 1);
    UploadRecord record;
    while (!text.empty()) {
        const auto end = text.find('\n');
        if (end == std::string_view::npos) {
            return std::nullopt;  // cut short
        }
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (line.substr(0, kFolderMark.size()) == kFolderMark && line.size() > kFolderMark.size()) {
            if (folders) {
                folders->insert(std::string(line.substr(kFolderMark.size())));
            }
            continue;
        }
        std::string_view hash;
        std::string_view size;
        std::string_view time;
        RecordedFile file;
        long long remoteTime = 0;
        if (!TakeField(line, hash) || !TakeField(line, size) || !TakeField(line, time) || line.empty() ||
            !IsHexHash(hash) || !ReadNumber(size, file.size) || !ReadNumber(time, remoteTime)) {
            return std::nullopt;
        }
        file.hash = hash;
        file.remoteTime = static_cast<std::time_t>(remoteTime);
        record[std::string(line)] = std::move(file);
    }
    return record;
}
