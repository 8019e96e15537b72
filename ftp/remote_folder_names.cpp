#include "ftp/remote_folder_names.h"

#include <cctype>

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower;
}

// An MLSD line: facts up to the first space, then the name.
void AddMlsdFolder(std::string_view line, std::set<std::string>& names) {
    const auto space = line.find(' ');
    if (space == std::string_view::npos) {
        return;
    }
    std::string_view facts = line.substr(0, space);
    while (!facts.empty()) {
        const auto end = facts.find(';');
        const std::string fact = Lower(facts.substr(0, end));
        if (fact == "type=dir") {
            names.insert(std::string(line.substr(space + 1)));
            return;
        }
        if (end == std::string_view::npos) {
            return;
        }
        facts.remove_prefix(end + 1);
    }
}

// "drwxr-xr-x 2 owner group 4096 Jan 31 12:00 name": eight fields, then the name with its own spaces.
void AddListFolder(std::string_view line, std::set<std::string>& names) {
    if (line.empty() || line.front() != 'd') {
        return;
    }
    std::size_t at = 0;
    for (int field = 0; field < 8; ++field) {
        const auto start = line.find_first_not_of(' ', at);
        if (start == std::string_view::npos) {
            return;
        }
        const auto end = line.find(' ', start);
        if (end == std::string_view::npos) {
            return;
        }
        at = end;
    }
    const std::string_view name = line.substr(at + 1);
    if (!name.empty()) {
        names.insert(std::string(name));
    }
}

}  // namespace

std::set<std::string> ParseFolderNames(std::string_view listing, bool machineReadable) {
    std::set<std::string> names;
    while (!listing.empty()) {
        const auto end = listing.find('\n');
        std::string_view line = listing.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (machineReadable) {
            AddMlsdFolder(line, names);
        } else {
            AddListFolder(line, names);
        }
        if (end == std::string_view::npos) {
            break;
        }
        listing.remove_prefix(end + 1);
    }
    names.erase(".");
    names.erase("..");
    return names;
}
