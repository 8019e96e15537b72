#include <cstdio>

#include "engine/picture_words.h"

namespace {

bool Digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    if (at + count > text.size()) {
        return false;
    }
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

bool Valid(const DateTaken& d) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (d.year < 1 || d.month < 1 || d.month > 12 || d.day < 1) {
        return false;
    }
    const int days = kDays[d.month - 1] + (d.month == 2 && IsLeapYear(d.year) ? 1 : 0);
    if (d.day > days || d.hour > 23 || d.minute > 59 || d.second > 60) {
        return false;
    }
    return !d.offsetMinutes || (*d.offsetMinutes >= -14 * 60 && *d.offsetMinutes <= 14 * 60);
}

// "+HH:MM", "-HH:MM", "+HHMM" or "Z" from `at`; false when something else stands there.
bool ParseOffset(std::string_view text, std::size_t at, std::optional<int>& offset) {
    if (at >= text.size()) {
        return true;
    }
    if (text.substr(at) == "Z") {
        offset = 0;
        return true;
    }
    if (text[at] != '+' && text[at] != '-') {
        return false;
    }
    int hours = 0, minutes = 0;
    const std::size_t minutesAt = at + 3 < text.size() && text[at + 3] == ':' ? at + 4 : at + 3;
    if (!Digits(text, at + 1, 2, hours) || !Digits(text, minutesAt, 2, minutes) ||
        minutesAt + 2 != text.size() || minutes > 59) {
        return false;
    }
    offset = (text[at] == '-' ? -1 : 1) * (hours * 60 + minutes);
    return true;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) {
        text.remove_suffix(1);
    }
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    return text;
}

}  // namespace

std::string DateTaken::Display() const {
    char text[32];
    if (hasTime) {
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", year, month, day, hour, minute);
    } else {
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    }
    return text;
}

std::string DateTaken::Iso() const {
    char text[40];
    if (!hasTime) {
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
        return text;
    }
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", year, month, day, hour, minute, second);
    std::string iso = text;
    if (offsetMinutes) {
        const int minutes = *offsetMinutes < 0 ? -*offsetMinutes : *offsetMinutes;
        std::snprintf(text, sizeof text, "%c%02d:%02d", *offsetMinutes < 0 ? '-' : '+', minutes / 60,
                      minutes % 60);
        iso += text;
    }
    return iso;
}

std::int64_t DateTaken::OrderKey() const {
    // Days from 1970-01-01 in the proleptic Gregorian calendar.
    const int y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t days = era * 146097 + doe - 719468;
    return days * 86400 + hour * 3600 + minute * 60 + second - offsetMinutes.value_or(0) * 60;
}

std::optional<DateTaken> ParseExifDate(std::string_view dateTime, std::string_view offset) {
    dateTime = Trimmed(dateTime);
    DateTaken d;
    if (dateTime.size() < 10 || !Digits(dateTime, 0, 4, d.year) || dateTime[4] != ':' ||
        !Digits(dateTime, 5, 2, d.month) || dateTime[7] != ':' || !Digits(dateTime, 8, 2, d.day)) {
        return std::nullopt;
    }
    if (dateTime.size() >= 16 && dateTime[10] == ' ' && Digits(dateTime, 11, 2, d.hour) &&
        dateTime[13] == ':' && Digits(dateTime, 14, 2, d.minute)) {
        d.hasTime = true;
        if (dateTime.size() >= 19 && dateTime[16] == ':') {
            Digits(dateTime, 17, 2, d.second);
        }
        offset = Trimmed(offset);
        std::optional<int> minutes;
        if (!offset.empty() && ParseOffset(offset, 0, minutes)) {
            d.offsetMinutes = minutes;
        }
    }
    return Valid(d) ? std::optional(d) : std::nullopt;
}

std::optional<DateTaken> ParseIsoDate(std::string_view text) {
    text = Trimmed(text);
    DateTaken d;
    if (text.size() < 10 || !Digits(text, 0, 4, d.year) || text[4] != '-' || !Digits(text, 5, 2, d.month) ||
        text[7] != '-' || !Digits(text, 8, 2, d.day)) {
        return std::nullopt;
    }
    std::size_t at = 10;
    if (at < text.size() && text[at] == 'T') {
        if (!Digits(text, 11, 2, d.hour) || text.size() < 16 || text[13] != ':' ||
            !Digits(text, 14, 2, d.minute)) {
            return std::nullopt;
        }
        d.hasTime = true;
        at = 16;
        if (at < text.size() && text[at] == ':') {
            if (!Digits(text, 17, 2, d.second)) {
                return std::nullopt;
            }
            at = 19;
            if (at < text.size() && text[at] == '.') {
                for (++at; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
                }
            }
        }
        std::optional<int> minutes;
        if (!ParseOffset(text, at, minutes)) {
            return std::nullopt;
        }
        d.offsetMinutes = minutes;
    } else if (at != text.size()) {
        return std::nullopt;
    }
    return Valid(d) ? std::optional(d) : std::nullopt;
}

std::optional<DateTaken> ParseIptcDate(std::string_view date, std::string_view time) {
    date = Trimmed(date);
    time = Trimmed(time);
    DateTaken d;
    if (date.size() != 8 || !Digits(date, 0, 4, d.year) || !Digits(date, 4, 2, d.month) ||
        !Digits(date, 6, 2, d.day)) {
        return std::nullopt;
    }
    if (time.size() >= 6 && Digits(time, 0, 2, d.hour) && Digits(time, 2, 2, d.minute) &&
        Digits(time, 4, 2, d.second)) {
        d.hasTime = true;
        std::optional<int> minutes;
        if (ParseOffset(time, 6, minutes)) {
            d.offsetMinutes = minutes;
        }
    }
    if (!Valid(d)) {
        return std::nullopt;
    }
    return d;
}
