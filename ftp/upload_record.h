#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

// The file an upload keeps on the server beside the gallery: what each file Galvane sent held, and
// how the server listed it right after. It is what lets a later upload tell its own files (and their
// state) from anything else on the server.
inline constexpr const char* kUploadRecordName = ".galvane-upload-record";

struct RecordedFile {
    std::string hash;            // SHA-256 of the bytes sent, lower-case hex
    std::int64_t size = 0;       // as the server listed it after sending
    std::time_t remoteTime = 0;  // as the server listed it after sending

    bool operator==(const RecordedFile&) const = default;
};

// By remote name.
using UploadRecord = std::map<std::string, RecordedFile>;

// The folders below the uploaded one that an upload made on the server, by path.
using MadeFolders = std::set<std::string>;

// "galvane-upload-record 1", then one line per file: "HASH SIZE TIME NAME", then one line per folder
// Galvane made: "folder NAME". Names holding a line break or a control character are left out (no
// upload sends them).
std::string FormatUploadRecord(const UploadRecord& record, const MadeFolders& folders = {});
// Nothing when the text is not a record of a version this program knows, or any line is damaged:
// an unreadable record is no record. The folder lines go into `folders` when given.
std::optional<UploadRecord> ParseUploadRecord(std::string_view text, MadeFolders* folders = nullptr);
