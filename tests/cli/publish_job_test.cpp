#include "cli/publish_job.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace {

class PublishJobTest : public ::testing::Test {
protected:
    PublishJobTest() {
        style.Write("main.htm", "<MAIN-SMALL-LARGE><MAIN>");
        style.Write("Background.GIF", "GIF89a");
        options.source = source.path();
        options.dest = out / "gallery";
        options.style = style.path();
    }

    std::optional<GalleryJob> Build() { return BuildPublishJob(options, error); }

    TempFolder source, out, style;
    PublishOptions options;
    std::string error;
};

TEST_F(PublishJobTest, FillsTheJobAsTheWizardWould) {
    options.source += "/";
    options.quality = 0;
    const auto job = Build();
    ASSERT_TRUE(job) << error;
    EXPECT_EQ(job->m_strSourceFolder, source.path());  // one trailing '/' cut
    EXPECT_EQ(job->m_strDestFolder, out / "gallery");
    EXPECT_EQ(job->m_strStylePath, style.path());
    EXPECT_EQ(job->m_bUseBkgndImage, 1);  // the style's background picture is proposed
    EXPECT_EQ(job->m_strBkgndImage, style / "Background.GIF");
    EXPECT_EQ(job->m_nJpegQuality, 0);
    EXPECT_EQ(job->m_strCommentary, "This my image gallery for you and your friends.");
    EXPECT_FALSE(FileExists(out / "gallery"));  // nothing is written while checking
}

TEST_F(PublishJobTest, BackgroundChoices) {
    options.noBgImage = true;
    EXPECT_EQ(Build()->m_bUseBkgndImage, 0);
    options.noBgImage = false;
    options.bgImage = out.Write("tile.png", "png");
    EXPECT_EQ(Build()->m_strBkgndImage, out / "tile.png");
    options.bgImage = out / "missing.png";
    EXPECT_FALSE(Build());
    EXPECT_NE(error.find("missing.png"), std::string::npos);
}

TEST_F(PublishJobTest, UseOriginalPublishesIntoTheSource) {
    options.useOriginal = true;
    options.dest.clear();
    EXPECT_EQ(Build()->m_strDestFolder, source.path());
    options.dest = source.path() + "/";
    EXPECT_EQ(Build()->m_strDestFolder, source.path());
    options.dest = out.path();
    EXPECT_FALSE(Build());
}

TEST_F(PublishJobTest, BadInputIsRefused) {
    options.style = "No Such Style";
    EXPECT_FALSE(Build());
    EXPECT_NE(error.find("No Such Style"), std::string::npos);
    options.style = style.path();

    options.source = out / "none";
    EXPECT_FALSE(Build());
    options.source = source.path();

    options.dest = out / "missing/gallery";
    EXPECT_FALSE(Build());
    options.dest = out.Write("file", "x");
    EXPECT_FALSE(Build());
    options.dest = "";
    EXPECT_FALSE(Build());

    // Publishing into the style's own folder would delete its templates.
    options.dest = style.path() + "/";
    EXPECT_FALSE(Build());
    EXPECT_TRUE(FileExists(style / "main.htm"));
}

}  // namespace
