#pragma once

#include <atomic>
#include <set>
#include <string>
#include <vector>

#include "engine/page_context.h"
#include "engine/run_report.h"

// Copies every top-level regular file of the style folder into the destination, replacing files
// of the same name. Subfolders are not copied; a FIFO, device or a symbolic link that leads out of
// the style folder is left out; with `keepExisting` (a same-folder run) a file already in the
// destination under the name is the user's and is left as it is unless it holds the same bytes.
// With `files`, each copy is noted there (a dry run copies nothing and makes the pages from the
// style's templates).
struct StyleCopy {
    // The names now in the destination as copies of the style's files.
    std::set<std::string> copies;
    // Templates that could not be copied because the user has a file of that name: the pages are
    // made from the style's own file instead.
    std::vector<std::string> templatesInStyle;
};
StyleCopy CopyStyleFiles(const std::string& stylePath, const std::string& destFolder, bool keepExisting,
                         RunReport& report, RunFiles* files = nullptr);

// Treats every ".htm*" file of the destination as a possible template: the pages of a recognised
// one's kind and role are written, and it is deleted first when it is one of `copies` (a file of
// the user's is never deleted). Others stay as they are. Once `cancel` is set no more pages are
// written, but the remaining template copies are still removed.
void GenerateGalleryPages(PageContext& context, const StyleCopy& style, const std::atomic<bool>& cancel);
