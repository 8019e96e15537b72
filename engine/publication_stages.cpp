#include "engine/publication_stages.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "engine/directory.h"
#include "engine/gap_page_buffer.h"
#include "engine/page_generation.h"
#include "engine/template_markers.h"

namespace fs = std::filesystem;

void CopyStyleFiles(const std::string& stylePath, const std::string& destFolder) {
    for (const DirectoryEntry& entry : ListDirectory(stylePath)) {
        if (entry.isDirectory) {
            continue;
        }
        std::error_code ec;
        fs::copy_file(JoinPath(stylePath, entry.name), JoinPath(destFolder, entry.name),
                      fs::copy_options::overwrite_existing, ec);
    }
}

void GenerateGalleryPages(PageContext& context) {
    const std::string& dest = context.job.m_strDestFolder;
    for (const DirectoryEntry& entry : ListDirectory(dest)) {
        if (entry.isDirectory || !MatchesWildcard("*.htm*", entry.name)) {
            continue;
        }
        const std::string path = JoinPath(dest, entry.name);
        GapPageBuffer page;
        std::string text;
        ReadWholeFile(path, text);
        page.Load(text);
        text = {};
        const auto recognised = RecognizeTemplate(page);
        if (!recognised) {
            continue;
        }
        std::remove(path.c_str());
        GeneratePage(page, recognised->kind, recognised->role, context);
    }
}
