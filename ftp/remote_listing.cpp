#include "ftp/remote_listing.h"

#include <charconv>
#include <cstring>
#include <sstream>
#include <vector>

namespace {

bool ReadNumber(std::string_view text, std::int64_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

std::time_t UtcTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    return ::timegm(&fields);
}

// Lines without their CR.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!line.empty()) {
            lines.push_back(line);
        }
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return lines;
}

}  // namespace

bool ParseFtpTime(std::string_view text, std::time_t& time) {
    std::int64_t digits = 0;
    if (text.size() < 14 || !ReadNumber(text.substr(0, 14), digits)) {
        return false;
    }
    const auto part = [&](std::size_t at, std::size_t length) {
        std::int64_t value = 0;
        ReadNumber(text.substr(at, length), value);
        return static_cast<int>(value);
    };
    time = UtcTime(part(0, 4), part(4, 2), part(6, 2), part(8, 2), part(10, 2), part(12, 2));
    return true;
}

namespace {

int MonthOf(std::string_view name) {
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int i = 0; i < 12; ++i) {
        if (name == kMonths[i]) {
            return i + 1;
        }
    }
    return 0;
}

}  // namespace

std::map<std::string, RemoteEntry> ParseMlsd(std::string_view text) {
    std::map<std::string, RemoteEntry> entries;
    for (const std::string_view line : Lines(text)) {
        const auto space = line.find(' ');  // the facts end at the first space; the name follows it
        if (space == std::string_view::npos) {
            continue;
        }
        std::string_view facts = line.substr(0, space);
        RemoteEntry entry;
        bool isFile = false;
        bool hasSize = false;
        bool hasTime = false;
        while (!facts.empty()) {
            const auto end = facts.find(';');
            const std::string_view fact = facts.substr(0, end);
            const auto equals = fact.find('=');
            if (equals != std::string_view::npos) {
                std::string key(fact.substr(0, equals));
                for (char& c : key) {
                    c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
                }
                const std::string_view value = fact.substr(equals + 1);
                if (key == "type") {
                    isFile = value == "file" || value == "File" || value == "FILE";
                } else if (key == "size") {
                    hasSize = ReadNumber(value, entry.size);
                } else if (key == "modify") {
                    hasTime = ParseFtpTime(value, entry.modified);
                }
            }
            if (end == std::string_view::npos) {
                break;
            }
            facts.remove_prefix(end + 1);
        }
        if (isFile && hasSize && hasTime) {
            entries[std::string(line.substr(space + 1))] = entry;
        }
    }
    return entries;
}

std::map<std::string, RemoteEntry> ParseList(std::string_view text, std::time_t now) {
    std::map<std::string, RemoteEntry> entries;
    std::tm today{};
    ::gmtime_r(&now, &today);
    for (const std::string_view line : Lines(text)) {
        if (line.front() != '-') {
            continue;  // folders, links and the "total" line
        }
        // Eight fields, then the name, which may hold spaces of its own.
        std::vector<std::string_view> fields;
        std::size_t at = 0;
        while (fields.size() < 8 && at < line.size()) {
            const auto start = line.find_first_not_of(' ', at);
            if (start == std::string_view::npos) {
                break;
            }
            const auto end = line.find(' ', start);
            fields.push_back(line.substr(start, end - start));
            at = end == std::string_view::npos ? line.size() : end;
        }
        if (fields.size() < 8 || at + 1 >= line.size()) {
            continue;
        }
        const std::string_view name = line.substr(at + 1);
        RemoteEntry entry;
        std::int64_t day = 0;
        const int month = MonthOf(fields[5]);
        if (!ReadNumber(fields[4], entry.size) || month == 0 || !ReadNumber(fields[6], day)) {
            continue;
        }
        const std::string_view yearOrTime = fields[7];
        std::int64_t year = 0;
        std::int64_t hour = 0;
        std::int64_t minute = 0;
        if (yearOrTime.size() == 5 && yearOrTime[2] == ':' && ReadNumber(yearOrTime.substr(0, 2), hour) &&
            ReadNumber(yearOrTime.substr(3, 2), minute)) {
            year = today.tm_year + 1900;
            entry.modified = UtcTime(static_cast<int>(year), month, static_cast<int>(day),
                                     static_cast<int>(hour), static_cast<int>(minute), 0);
            if (entry.modified > now + 24 * 3600) {
                entry.modified = UtcTime(static_cast<int>(year - 1), month, static_cast<int>(day),
                                         static_cast<int>(hour), static_cast<int>(minute), 0);
            }
        } else if (ReadNumber(yearOrTime, year)) {
            entry.modified = UtcTime(static_cast<int>(year), month, static_cast<int>(day), 0, 0, 0);
            entry.dayPrecision = true;
        } else {
            continue;
        }
        entry.minutePrecision = true;
        entries[std::string(name)] = entry;
    }
    return entries;
}
