#include "engine/stale_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstdio>

#include "engine/directory.h"
#include "engine/picture_names.h"
#include "engine/picture_variants.h"
#include "engine/source_scan.h"

namespace {

bool IsTemporarySuffix(std::string_view six) {
    if (six.size() != 6) {
        return false;
    }
    for (const char c : six) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) {
            return false;
        }
    }
    return true;
}

bool StartsWith(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

// Whether a marked picture lies under a name its conversion gives: a thumbnail or a variant only
// under its own name; a large picture under a name holding the source's base name (a file the user
// copied to a name of their own is theirs).
bool NameFitsMark(const std::string& name, const PictureConverter::OutputMark& mark) {
    if (mark.kind == "thumbnail") {
        return name == ThumbnailName(mark.sourceName);
    }
    if (mark.kind == "variant") {
        return IsVariantNameOf(name, mark.sourceName);
    }
    const std::string base = PictureBaseName(mark.sourceName);
    return !base.empty() && name.find(base) != std::string::npos && !StartsWith(name, "thn_");
}

// "BASE-NNNw.webp" or "BASE-NNNw.jpg": the shape of a large picture's variant name.
bool HasLargeVariantShape(std::string_view name) {
    std::string_view rest;
    if (name.ends_with("w.webp")) {
        rest = name.substr(0, name.size() - 6);
    } else if (name.ends_with("w.jpg")) {
        rest = name.substr(0, name.size() - 5);
    } else {
        return false;
    }
    std::size_t digits = 0;
    while (digits < rest.size() && rest[rest.size() - 1 - digits] >= '0' &&
           rest[rest.size() - 1 - digits] <= '9') {
        ++digits;
    }
    return digits > 0 && rest.size() > digits + 1 && rest[rest.size() - 1 - digits] == '-' &&
           !StartsWith(name, "thn_");
}

}  // namespace

bool IsOwnLargeVariant(const std::string& path, std::string_view name, const PictureConverter& converter) {
    // Only names of that shape are opened: a same-folder gallery holds thousands of sources.
    if (!HasLargeVariantShape(name)) {
        return false;
    }
    const auto mark = converter.ReadOutputMark(path);
    return mark && mark->kind == "variant" && IsVariantNameOf(name, mark->sourceName);
}

void LeaveOutOwnFiles(ImageList& pictures, const PictureConverter& converter, const RunManifest& previous) {
    for (std::size_t i = pictures.GetSize(); i-- > 0;) {
        const std::string path = pictures.GetPathAt(i);
        const std::string name(FileNameOf(path));
        if (IsOwnLargeVariant(path, name, converter) ||
            (previous.HashOf(name) != nullptr && HoldsRecordedBytes(previous, name, path))) {
            pictures.RemoveAt(i);
        }
    }
}

bool IsOwnTemporaryName(std::string_view name) {
    if (name.size() == 15 && StartsWith(name, ".galvane-")) {
        return IsTemporarySuffix(name.substr(9));
    }
    if (name.size() == 21 && StartsWith(name, ".galvane-probe-")) {  // the write probe's
        return IsTemporarySuffix(name.substr(15));
    }
    constexpr std::string_view kVimbral = ".vimbral-";
    if (name.size() < 1 + 1 + kVimbral.size() + 6 || name[0] != '.') {
        return false;
    }
    const std::string_view head = name.substr(0, name.size() - 6);
    return head.size() > kVimbral.size() + 1 && head.substr(head.size() - kVimbral.size()) == kVimbral &&
           IsTemporarySuffix(name.substr(name.size() - 6));
}

bool IsOwnLocalFileName(std::string_view name) {
    return StartsWith(name, ".galvane-") || IsOwnTemporaryName(name);
}

void RemoveStaleFiles(const StaleCleanup& cleanup, RunReport& report) {
    const bool recorded = !cleanup.previous.Empty();
    for (const DirectoryEntry& entry : ListDirectory(cleanup.destFolder)) {
        const std::string& name = entry.name;
        if (entry.isDirectory || cleanup.made.contains(name) || name == kManifestName) {
            continue;
        }
        const std::string path = JoinPath(cleanup.destFolder, name);
        // Runs write regular files only; a FIFO is never opened, a link never followed.
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            if (recorded && ::lstat(path.c_str(), &st) == 0) {
                report.kept.push_back(name);
            }
            continue;
        }
        const bool sourcePicture = cleanup.sameFolder && IsSourcePictureName(path, name) &&
                                   !IsOwnLargeVariant(path, name, cleanup.converter);
        bool galvanes = false;
        if (sourcePicture) {
            galvanes = false;
        } else if (IsOwnTemporaryName(name)) {
            galvanes = !cleanup.sameFolder;
        } else if (cleanup.previous.HashOf(name) != nullptr) {
            galvanes = (!cleanup.sameFolder || MatchesWildcard("*.htm*", name)) &&
                       HoldsRecordedBytes(cleanup.previous, name, path);
        } else if (const auto mark = cleanup.converter.ReadOutputMark(path)) {
            // A same-folder run makes no large pictures: the sources are published as they are.
            galvanes = NameFitsMark(name, *mark) &&
                       (!cleanup.sameFolder || mark->kind == "thumbnail" || mark->kind == "variant");
        }
        if (!galvanes) {
            if (recorded && !IsOwnLocalFileName(name) && !sourcePicture) {
                report.kept.push_back(name);
            }
            continue;
        }
        if (cleanup.dryRun) {
            report.removed.push_back(name);
        } else if (std::remove(path.c_str()) == 0) {
            report.removed.push_back(name);
        } else {
            report.notWritten.push_back({path, "could not be removed: " + SystemReason(errno)});
        }
    }
}

bool FolderExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RemoveGoneAlbum(const GoneAlbum& album, RunReport& report) {
    const std::string folder = JoinPath(album.parentFolder, album.name);
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) {
        return errno == ENOENT;
    }
    const RunManifest previous = RunManifest::Read(folder);
    if (!S_ISDIR(st.st_mode) || previous.Empty()) {
        return false;
    }
    RunReport inner;
    bool childrenGone = true;
    for (const std::string& child : previous.Albums()) {
        childrenGone &=
            RemoveGoneAlbum({folder, child, album.sameFolder, album.converter, album.dryRun}, inner);
    }
    const std::set<std::string> none;
    RemoveStaleFiles({folder, album.sameFolder, none, previous, album.converter, album.dryRun}, inner);
    // Only a folder a run of Galvane created goes; one that was there before stays, emptied of
    // Galvane's files, its record included.
    const bool made = previous.FolderMade() && !album.sameFolder;
    const std::string record = JoinPath(folder, kManifestName);
    bool folderRemoved = false;
    bool gone = false;
    if (album.dryRun) {
        folderRemoved = made && childrenGone && inner.kept.empty();
        gone = folderRemoved || (!made && childrenGone);
    } else if (made) {
        const std::vector<DirectoryEntry> left = ListDirectory(folder);
        if (left.empty() || (left.size() == 1 && left[0].name == kManifestName)) {
            folderRemoved =
                (left.empty() || std::remove(record.c_str()) == 0) && ::rmdir(folder.c_str()) == 0;
            if (!folderRemoved) {
                inner.notWritten.push_back({folder, "could not be removed: " + SystemReason(errno)});
            }
        }
        gone = folderRemoved;
    } else if (childrenGone) {
        gone = std::remove(record.c_str()) == 0 || errno == ENOENT;
    }
    const auto named = [&album](const std::string& name) { return album.name + "/" + name; };
    for (const std::string& name : inner.removed) {
        report.removed.push_back(named(name));
    }
    for (const std::string& name : inner.kept) {
        report.kept.push_back(named(name));
    }
    report.notWritten.insert(report.notWritten.end(), inner.notWritten.begin(), inner.notWritten.end());
    if (folderRemoved) {
        report.removed.push_back(album.name + "/");
    }
    return gone;
}
