#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/run_report.h"
#include "engine/safe_files.h"

// The record a completed run leaves in the destination of the pages, style copies and background
// picture it wrote, each with the SHA-256 of its bytes. A later run removes such a file only while
// it still holds exactly those bytes; the record never decides that a file is up to date, so a lost
// or stale record can only make a run remove less. The file is line-based text:
//   galvane-manifest 1
//   <sha256> <name, percent-encoded outside printable ASCII>
//   album <name>              (a subfolder the run published an album into)
//   folder made               (a run of Galvane created this folder: it may go once empty)
inline constexpr const char* kManifestName = ".galvane-manifest";

class RunManifest {
public:
    void Record(const std::string& name, const std::string& hash) { m_entries[name] = hash; }
    void Forget(const std::string& name) { m_entries.erase(name); }
    // The recorded hash, or null.
    const std::string* HashOf(const std::string& name) const;
    const std::map<std::string, std::string>& Entries() const { return m_entries; }
    bool Empty() const { return m_entries.empty() && m_albums.empty(); }

    // The subfolders a run of a gallery of albums published albums into: only these may be
    // removed when their album is gone.
    void RecordAlbum(const std::string& folderName) { m_albums.insert(folderName); }
    const std::set<std::string>& Albums() const { return m_albums; }
    void SetFolderMade(bool made) { m_folderMade = made; }
    bool FolderMade() const { return m_folderMade; }

    std::string Text() const;
    // An unknown version gives an empty record; a line that cannot be read is skipped.
    static RunManifest Parse(const std::string& text);
    static RunManifest Read(const std::string& destFolder);

private:
    std::map<std::string, std::string> m_entries;
    std::set<std::string> m_albums;
    bool m_folderMade = false;
};

// Whether `path` is a regular file holding exactly the bytes recorded for its name.
bool HoldsRecordedBytes(const RunManifest& manifest, const std::string& name, const std::string& path);

// The files one run writes besides pictures: what the previous run recorded, every name this run
// makes (also one it failed to write), and the hashes of what it wrote. In a dry run nothing is
// written; the names that would be written or replaced are collected instead.
struct RunFiles {
    RunManifest previous;
    RunManifest written;
    std::set<std::string> made;
    bool dryRun = false;
    std::vector<std::string> wouldWrite;
    std::vector<std::string> wouldReplace;
    // This run created the destination folder (an album's).
    bool folderMade = false;
};

// WriteFileSafely of `name` in `destFolder`, noting it in `files` (when given). A file already there
// with other bytes that the previous run did not record as its own (nor, without a record, a page
// with Galvane's credit line) is named in report->replacedForeign.
WriteOutcome WriteRecorded(RunFiles* files, RunReport* report, const std::string& destFolder,
                           const std::string& name, std::string_view bytes, std::string& reason);
