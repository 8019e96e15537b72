#include "tests/support/gallery_links.h"

#include <cctype>
#include <filesystem>

#include "engine/directory.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

bool IsAbsoluteAddress(const std::string& link) {
    if (link.empty() || link[0] == '#' || link.rfind("//", 0) == 0) {
        return true;
    }
    const auto colon = link.find(':');
    const auto slash = link.find('/');
    return colon != std::string::npos && (slash == std::string::npos || colon < slash);
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// Links name files percent-encoded.
std::string Decoded(const std::string& link) {
    std::string name;
    for (std::size_t i = 0; i < link.size(); ++i) {
        if (link[i] == '%' && i + 2 < link.size() && std::isxdigit(static_cast<unsigned char>(link[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(link[i + 2]))) {
            name += static_cast<char>(std::stoi(link.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            name += link[i];
        }
    }
    return name;
}

}  // namespace

std::vector<std::string> LocalLinksOf(const std::string& html) {
    std::vector<std::string> links;
    const std::string lower = Lower(html);
    for (const std::string attribute : {"href", "src"}) {
        std::size_t pos = 0;
        while ((pos = lower.find(attribute, pos)) != std::string::npos) {
            std::size_t p = pos + attribute.size();
            const bool wordStart = pos == 0 || !std::isalnum(static_cast<unsigned char>(lower[pos - 1]));
            pos = p;
            while (p < html.size() && std::isspace(static_cast<unsigned char>(html[p]))) {
                ++p;
            }
            if (!wordStart || p >= html.size() || html[p] != '=') {
                continue;
            }
            ++p;
            while (p < html.size() && std::isspace(static_cast<unsigned char>(html[p]))) {
                ++p;
            }
            std::string value;
            if (p < html.size() && (html[p] == '"' || html[p] == '\'')) {
                const char quote = html[p];
                const auto end = html.find(quote, p + 1);
                value = html.substr(p + 1, end == std::string::npos ? std::string::npos : end - p - 1);
            } else {
                const auto end = html.find_first_of(" \t\r\n>", p);
                value = html.substr(p, end == std::string::npos ? std::string::npos : end - p);
            }
            value = value.substr(0, value.find_first_of("#?"));
            if (!IsAbsoluteAddress(value) && !value.empty()) {
                links.push_back(value);
            }
        }
    }
    return links;
}

std::vector<std::string> DanglingLocalLinks(const std::string& folder) {
    std::vector<std::string> dangling;
    for (const DirectoryEntry& entry : ListDirectory(folder)) {
        if (entry.isDirectory || !MatchesWildcard("*.htm*", entry.name)) {
            continue;
        }
        for (const std::string& link : LocalLinksOf(ReadFile(JoinPath(folder, entry.name)))) {
            if (!fs::is_regular_file(fs::path(folder) / Decoded(link))) {
                dangling.push_back(entry.name + ": " + link);
            }
        }
    }
    return dangling;
}
