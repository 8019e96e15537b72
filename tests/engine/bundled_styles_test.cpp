#include <gtest/gtest.h>

#include "engine/directory.h"
#include "engine/picture_names.h"
#include "engine/publication_stages.h"
#include "engine/style_library.h"
#include "tests/support/gallery_links.h"
#include "tests/support/temp_folder.h"

namespace {

std::vector<StyleInfo> BundledStyles() {
    GalleryJob job;
    std::vector<StyleInfo> styles;
    DiscoverStylesIn({GALVANE_STYLES_DIR}, job, styles);
    return styles;
}

// Publishes n pictures with a bundled style, with files standing in for the converted pictures.
void Publish(const StyleInfo& style, int n, const TempFolder& dest, ImageList& images) {
    GalleryJob job;
    job.m_strDestFolder = dest.path();
    job.m_strStylePath = style.path;
    job.m_nJpegQuality = 75;
    job.m_strBkgndImage = FindStyleBackground(style.path);
    job.m_bUseBkgndImage = job.m_strBkgndImage.empty() ? 0 : 1;
    for (int i = 1; i <= n; ++i) {
        const std::string source = "/photos/IMG_" + std::to_string(i) + ".JPG";
        images.Add(source);
        dest.Write(ThumbnailName(source), "thumbnail");
        dest.Write(LargePictureName(source, job.m_nJpegQuality), "large");
    }
    RunReport report;
    const auto copies = CopyStyleFiles(style.path, dest.path(), false, report);
    PageContext context{job, images};
    const std::atomic<bool> noCancel{false};
    GenerateGalleryPages(context, copies, noCancel);
    EXPECT_EQ(report.ProblemCount(), 0);
}

TEST(BundledStyles, OneStylePerLayoutKind) {
    std::vector<std::string> names;
    for (const StyleInfo& style : BundledStyles()) {
        names.push_back(style.displayName);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Classic", "Frames", "Slides"}));
    EXPECT_NE(FindStyleBackground(std::string(GALVANE_STYLES_DIR) + "/###Classic"), "");
    EXPECT_TRUE(FileExists(std::string(GALVANE_STYLES_DIR) + "/###Classic/empty.gif"));
}

// Each bundled style shows a small preview picture on the style page, and no gallery gets a copy.
TEST(BundledStyles, CarryAPreviewThatStaysOutOfTheGallery) {
    for (const StyleInfo& style : BundledStyles()) {
        SCOPED_TRACE(style.displayName);
        const std::string preview = FindStylePreview(style.path);
        ASSERT_EQ(preview, style.path + "/preview/preview.png");
        const std::string bytes = ReadFile(preview);
        EXPECT_EQ(bytes.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0);
        EXPECT_LT(bytes.size(), 150u * 1024);
        TempFolder dest;
        ImageList images;
        Publish(style, 2, dest, images);
        EXPECT_FALSE(FileExists(dest / "preview"));
        EXPECT_FALSE(FileExists(dest / "preview.png"));
    }
}

TEST(BundledStyles, GalleriesHaveNoDanglingLinksAndNoPlaceholdersLeft) {
    const auto styles = BundledStyles();
    ASSERT_FALSE(styles.empty());
    for (const StyleInfo& style : styles) {
        for (int n : {0, 1, 7}) {
            SCOPED_TRACE(style.displayName + " with " + std::to_string(n) + " pictures");
            TempFolder dest;
            ImageList images;
            Publish(style, n, dest, images);
            ASSERT_TRUE(FileExists(dest / "main.htm"));
            EXPECT_EQ(DanglingLocalLinks(dest.path()), std::vector<std::string>{});
            for (const DirectoryEntry& entry : ListDirectory(dest.path())) {
                if (!MatchesWildcard("*.htm*", entry.name)) {
                    continue;
                }
                const std::string page = ReadFile(dest / entry.name);
                for (const char* word : {"<MAIN-INDEX-PAGE>", "<FRAME-MAIN-LIST-IMAGE>", "<MAIN-SMALL-LARGE>",
                                         "THUMBNAIL", "PICTURE", "LINKTO", "TITLEOFPAGE", "BKGND",
                                         "TEXTCOLOR", "GALVANECONTENT", "<NAME>", "<COMMENTARY>", "FILENAME",
                                         "IMFILEPATH", "<IMAGES>", "<PAGES>", "<INDEXES>", "TABLE>"}) {
                    EXPECT_EQ(page.find(word), std::string::npos) << entry.name << " keeps " << word;
                }
            }
        }
    }
}

}  // namespace
