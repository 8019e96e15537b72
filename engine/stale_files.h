#pragma once

#include <set>
#include <string>
#include <string_view>

#include "engine/image_list.h"
#include "engine/picture_converter.h"
#include "engine/run_manifest.h"
#include "engine/run_report.h"

// Whether a name is one of Galvane's own temporaries: the safe writer's ".galvane-XXXXXX" and the
// picture library's ".NAME.vimbral-XXXXXX" (six characters from mkstemp each).
bool IsOwnTemporaryName(std::string_view name);

// Whether a name is one of Galvane's own files that are no part of the gallery: its temporaries
// and every ".galvane-" name (the run's record among them). An upload leaves them out.
bool IsOwnLocalFileName(std::string_view name);

// Clean-up after a completed run. A file of the destination that this run does not make (`made`)
// is removed when it is provably Galvane's and unchanged:
//  - a picture whose mark the conversion wrote, under a name made from the source it names;
//  - a page, style copy or background copy the previous run recorded, holding those bytes still;
//  - one of Galvane's temporaries.
// In a same-folder run only marked thumbnails and variants and recorded pages qualify, and a
// source picture never. What is removed goes to report.removed. When the previous run left a record, every
// other file that stays is named in report.kept. In a dry run nothing is removed; report.removed then lists
// what would be.
struct StaleCleanup {
    const std::string& destFolder;
    bool sameFolder = false;
    const std::set<std::string>& made;
    const RunManifest& previous;
    const PictureConverter& converter;
    bool dryRun = false;
};
void RemoveStaleFiles(const StaleCleanup& cleanup, RunReport& report);

// Whether the file `name` at `path` is a variant of the large picture that a conversion wrote
// ("a-800w.webp", carrying a variant's mark that names a source of that base name). In a
// same-folder run such a file lies among the sources and has a picture's extension, yet is an
// output: it is no source, and it goes with its source. A user's file of that name (no mark) is a
// source like any.
bool IsOwnLargeVariant(const std::string& path, std::string_view name, const PictureConverter& converter);

// Takes Galvane's own files out of a list scanned from the destination folder: the entries that are
// IsOwnLargeVariant, and the files the previous run's record names that still hold the recorded
// bytes (the style's pictures and the background copied beside the sources). Else a same-folder
// re-publish would show them as photos.
void LeaveOutOwnFiles(ImageList& pictures, const PictureConverter& converter, const RunManifest& previous);

// Whether `path` is a folder itself (not a link to one).
bool FolderExists(const std::string& path);

// An album folder (`name` in `parentFolder`) that the previous run recorded and this one no longer
// publishes: the albums its own record names go first, then its files that are provably
// Galvane's, as RemoveStaleFiles decides with nothing made; the folder itself goes once nothing
// but its record is left in it, and only when its record says a run created it (never in a
// same-folder run, where it is the user's source folder). A link is never followed, a folder without a record
// never touched. Names in `report` are relative to `parentFolder` ("Rome/main.htm", "Rome/" for the folder).
// Returns whether nothing of Galvane's is left there (in a dry run: would be): the folder removed, or a
// folder that was there before emptied of Galvane's files and its record.
struct GoneAlbum {
    const std::string& parentFolder;
    const std::string& name;
    bool sameFolder = false;
    const PictureConverter& converter;
    bool dryRun = false;
};
bool RemoveGoneAlbum(const GoneAlbum& album, RunReport& report);
