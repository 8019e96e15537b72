// Generates every page of every bundled style for 100, 1,000 and 10,000 pictures, once with the
// plain reference buffer (a string searched from 0 and edited in place) and once with the real
// buffer, checks that both wrote the same bytes, and prints both times and their ratio.
//
//   page_generation [styles folder] [work folder]
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/directory.h"
#include "engine/gap_page_buffer.h"
#include "engine/naive_page_buffer.h"
#include "engine/page_generation.h"
#include "engine/style_library.h"
#include "engine/template_markers.h"

namespace fs = std::filesystem;

namespace {

struct Template {
    std::string style;
    std::string text;
};

std::vector<Template> LoadTemplates(const std::string& stylesFolder) {
    GalleryJob job;
    std::vector<StyleInfo> styles;
    DiscoverStylesIn({stylesFolder}, job, styles);
    std::vector<Template> templates;
    for (const StyleInfo& style : styles) {
        for (const DirectoryEntry& entry : ListDirectory(style.path)) {
            if (!entry.isDirectory && MatchesWildcard("*.htm*", entry.name)) {
                std::string text;
                ReadWholeFile(JoinPath(style.path, entry.name), text);
                templates.push_back({style.displayName, text});
            }
        }
    }
    return templates;
}

// Seconds spent generating all pages of all templates into `dest`.
double Generate(const std::vector<Template>& templates, const PageBuffer& prototype, const ImageList& images,
                const std::string& dest) {
    double seconds = 0;
    for (const Template& t : templates) {
        GalleryJob job;
        job.m_strDestFolder = dest + "/" + t.style;
        job.m_nJpegQuality = 75;
        job.m_strTitle = "Benchmark";
        fs::create_directories(job.m_strDestFolder);
        PageContext context{job, images};
        const auto start = std::chrono::steady_clock::now();
        auto page = prototype.NewEmpty();
        page->Load(t.text);
        if (const auto role = RecognizeTemplate(*page)) {
            GeneratePage(*page, role->kind, role->role, context);
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    return seconds;
}

// Number of files under `a` whose bytes differ from (or are missing in) `b`.
int CompareTrees(const std::string& a, const std::string& b, int& files) {
    int differences = 0;
    for (const auto& entry : fs::recursive_directory_iterator(a)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        ++files;
        std::string left, right;
        const fs::path other = fs::path(b) / fs::relative(entry.path(), a);
        if (!ReadWholeFile(entry.path().string(), left) || !ReadWholeFile(other.string(), right) ||
            left != right) {
            ++differences;
            std::fprintf(stderr, "differs: %s\n", other.c_str());
        }
    }
    return differences;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string stylesFolder = argc > 1 ? argv[1] : GALVANE_STYLES_DIR;
    const fs::path work = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "galvane-page-bench";
    const auto templates = LoadTemplates(stylesFolder);
    if (templates.empty()) {
        std::fprintf(stderr, "no templates found in %s\n", stylesFolder.c_str());
        return 2;
    }
    std::printf("%zu templates from %s\n", templates.size(), stylesFolder.c_str());
    std::printf("%8s %12s %12s %10s %8s %s\n", "pictures", "reference s", "buffer s", "ratio", "pages",
                "identical");
    bool allIdentical = true;
    for (int n : {100, 1000, 10000}) {
        ImageList images;
        for (int i = 1; i <= n; ++i) {
            images.Add("/photos/DSC_" + std::to_string(i) + ".JPG");
        }
        fs::remove_all(work);
        const std::string naiveDest = (work / "reference").string();
        const std::string fastDest = (work / "buffer").string();
        const double naive = Generate(templates, NaivePageBuffer(), images, naiveDest);
        const double fast = Generate(templates, GapPageBuffer(), images, fastDest);
        int files = 0;
        const bool identical = CompareTrees(naiveDest, fastDest, files) == 0 && files > 0;
        allIdentical = allIdentical && identical;
        std::printf("%8d %12.3f %12.3f %9.1fx %8d %s\n", n, naive, fast, naive / fast, files,
                    identical ? "yes" : "NO");
    }
    fs::remove_all(work);
    return allIdentical ? 0 : 1;
}
