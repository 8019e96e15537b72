#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <string>
#include <string_view>

// What a folder listing tells about one remote file.
struct RemoteEntry {
    std::int64_t size = 0;
    std::time_t modified = 0;      // UTC
    bool minutePrecision = false;  // LIST and SFTP's long names show no seconds
    bool dayPrecision = false;     // nor a time of day, for files older than about six months
};

// The regular files of an MLSD answer ("type=file;size=12;modify=20240131120000; name"), by name.
std::map<std::string, RemoteEntry> ParseMlsd(std::string_view text);

// The regular files of a Unix-style LIST answer, as FTP servers and SFTP's long names give it
// ("-rw-r--r-- 1 owner group 12 Jan 31 12:00 name", or "... Jan 31  2023 name" for older files),
// times read as UTC. `now` places the dates without a year: in the twelve months up to it.
std::map<std::string, RemoteEntry> ParseList(std::string_view text, std::time_t now);

// An FTP time "YYYYMMDDHHMMSS", optionally with fractions (MLSD's modify fact, MDTM's reply), as UTC.
bool ParseFtpTime(std::string_view text, std::time_t& time);
