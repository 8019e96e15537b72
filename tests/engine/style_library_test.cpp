#include "engine/style_library.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace {

TEST(DiscoverStyles, FindsFoldersHoldingThreeHashesInOrder) {
    TempFolder programs;
    programs.MakeFolder("###Classic");
    programs.MakeFolder("My###Style");
    programs.MakeFolder("plain");
    programs.Write("file###notastyle", "x");
    programs.MakeFolder("###alpha");
    TempFolder shared;
    shared.MakeFolder("###Slides");

    GalleryJob job;
    std::vector<StyleInfo> styles;
    EXPECT_EQ(DiscoverStylesIn({programs.path(), shared.path()}, job, styles), 3 + 1);
    EXPECT_EQ(job.m_nStyleCount, 4);
    ASSERT_EQ(styles.size(), 4u);
    EXPECT_EQ(styles[0].displayName, "alpha");
    EXPECT_EQ(styles[1].displayName, "Classic");
    EXPECT_EQ(styles[2].displayName, "##Style");  // only the first three characters go, "My#"
    EXPECT_EQ(styles[2].path, programs.path() + "/My###Style");
    EXPECT_EQ(styles[3].path, shared.path() + "/###Slides");
}

TEST(DiscoverStyles, NoStyleGivesZero) {
    TempFolder programs;
    GalleryJob job;
    job.m_nStyleCount = 7;
    std::vector<StyleInfo> styles{{"old", "/old"}};
    EXPECT_EQ(DiscoverStylesIn({programs.path(), "/nonexistent"}, job, styles), 0);
    EXPECT_EQ(job.m_nStyleCount, 0);
    EXPECT_TRUE(styles.empty());
}

TEST(StyleBackground, MatchesAnyExtensionAndCase) {
    TempFolder style;
    style.Write("main.htm", "");
    EXPECT_EQ(FindStyleBackground(style.path()), "");
    style.Write("BackGround.PNG", "");
    EXPECT_EQ(FindStyleBackground(style.path()), style.path() + "/BackGround.PNG");
}

TEST(StylePreview, LivesInTheStylesPreviewFolder) {
    TempFolder style;
    style.Write("preview.png", "");
    EXPECT_EQ(FindStylePreview(style.path()), "");
    style.MakeFolder("preview/preview.jpg");
    EXPECT_EQ(FindStylePreview(style.path()), "");
    style.Write("preview/Preview.PNG", "");
    EXPECT_EQ(FindStylePreview(style.path()), style.path() + "/preview/Preview.PNG");
}

TEST(GalleryJob, FreshJobHasNoStyleSelected) {
    const GalleryJob job;
    EXPECT_EQ(job.m_nSelectedStyle, -1);
    EXPECT_TRUE(job.m_strStylePath.empty());
    EXPECT_EQ(job.m_nJpegQuality, 0);
    EXPECT_EQ(job.m_crBkgndColor, 0u);
}

}  // namespace
