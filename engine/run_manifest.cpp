#include "engine/run_manifest.h"

#include <cstdio>
#include <sstream>

#include "engine/content_hash.h"
#include "engine/directory.h"
#include "engine/program_info.h"

namespace {

constexpr const char* kHeader = "galvane-manifest 1";

std::string Encoded(const std::string& name) {
    std::string encoded;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > 0x20 && byte < 0x7F && c != '%') {
            encoded += c;
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", byte);
            encoded += escape;
        }
    }
    return encoded;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

bool Decoded(const std::string& text, std::string& name) {
    name.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            name += text[i];
            continue;
        }
        if (i + 2 >= text.size()) {
            return false;
        }
        const int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
        if (high < 0 || low < 0) {
            return false;
        }
        name += static_cast<char>(high * 16 + low);
        i += 2;
    }
    // A name with a folder in it was never written by a run.
    return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
}

bool IsHash(const std::string& text) {
    if (text.size() != 64) {
        return false;
    }
    for (const char c : text) {
        if (HexValue(c) < 0 || (c >= 'A' && c <= 'F')) {
            return false;
        }
    }
    return true;
}

bool LooksGenerated(const std::string& page) {
    const std::string credit = std::string(" [") + kHomePage + "]";
    const auto at = page.find(credit);
    return at != std::string::npos && page.rfind(std::string(kProgramName) + " ver", at) != std::string::npos;
}

}  // namespace

const std::string* RunManifest::HashOf(const std::string& name) const {
    const auto found = m_entries.find(name);
    return found == m_entries.end() ? nullptr : &found->second;
}

std::string RunManifest::Text() const {
    std::string text = std::string(kHeader) + "\n";
    for (const auto& [name, hash] : m_entries) {
        text += hash + " " + Encoded(name) + "\n";
    }
    for (const std::string& album : m_albums) {
        text += "album " + Encoded(album) + "\n";
    }
    if (m_folderMade) {
        text += "folder made\n";
    }
    return text;
}

RunManifest RunManifest::Parse(const std::string& text) {
    RunManifest manifest;
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != kHeader) {
        return manifest;
    }
    while (std::getline(lines, line)) {
        const auto space = line.find(' ');
        std::string name;
        if (line == "folder made") {
            manifest.SetFolderMade(true);
            continue;
        }
        if (space != std::string::npos && line.compare(0, space, "album") == 0) {
            if (Decoded(line.substr(space + 1), name)) {
                manifest.RecordAlbum(name);
            }
            continue;
        }
        if (space == std::string::npos || !IsHash(line.substr(0, space)) ||
            !Decoded(line.substr(space + 1), name)) {
            continue;
        }
        manifest.Record(name, line.substr(0, space));
    }
    return manifest;
}

RunManifest RunManifest::Read(const std::string& destFolder) {
    std::string text, reason;
    if (!ReadRegularFile(JoinPath(destFolder, kManifestName), text, reason)) {
        return {};
    }
    return Parse(text);
}

bool HoldsRecordedBytes(const RunManifest& manifest, const std::string& name, const std::string& path) {
    const std::string* hash = manifest.HashOf(name);
    std::string bytes, reason;
    return hash != nullptr && ReadRegularFile(path, bytes, reason) && ContentHash(bytes) == *hash;
}

WriteOutcome WriteRecorded(RunFiles* files, RunReport* report, const std::string& destFolder,
                           const std::string& name, std::string_view bytes, std::string& reason) {
    const std::string path = JoinPath(destFolder, name);
    if (files == nullptr) {
        return WriteFileSafely(path, bytes, reason);
    }
    files->made.insert(name);
    std::string existing, ignored;
    const bool exists = ReadRegularFile(path, existing, ignored);
    if (exists && existing == bytes) {
        files->written.Record(name, ContentHash(bytes));
        return WriteOutcome::Unchanged;
    }
    const bool foreign = exists && [&] {
        if (const std::string* hash = files->previous.HashOf(name)) {
            return *hash != ContentHash(existing);
        }
        // No record of it (a gallery of an older version, or of a run that did not complete): a
        // page carrying Galvane's credit line is taken for one of its own, so that re-publishing
        // such a gallery does not name every page.
        return !(MatchesWildcard("*.htm*", name) && LooksGenerated(existing));
    }();
    if (files->dryRun) {
        (exists ? files->wouldReplace : files->wouldWrite).push_back(name);
        if (foreign && report != nullptr) {
            report->replacedForeign.push_back(name);
        }
        return WriteOutcome::Written;
    }
    const WriteOutcome outcome = WriteFileSafely(path, bytes, reason);
    if (outcome == WriteOutcome::Failed) {
        return outcome;
    }
    if (foreign && report != nullptr) {
        report->replacedForeign.push_back(name);
    }
    files->written.Record(name, ContentHash(bytes));
    return outcome;
}
