#include <gtest/gtest.h>

#include "tests/engine/generation_fixture.h"

namespace {

const std::string kSmall =
    "<MAIN-SMALL-LARGE><SMALL>THUMBNAIL IMFILENAME LINKTOBACKSMALLPAGE "
    "LINKTOFORWARDSMALLPAGE LINKTOLARGEPAGE LINKTOLARGEPAGE LINKTOLARGEPAGE "
    "LINKTOMAINPAGE <IMAGE>/<IMAGES>";
const std::string kLarge =
    "<MAIN-SMALL-LARGE><LARGE>PICTURE IMFILENAME LINKTOBACKLARGEPAGE "
    "LINKTOFORWARDLARGEPAGE LINKTOSMALLPAGE LINKTOSMALLPAGE LINKTOMAINPAGE <IMAGE>/<IMAGES>";

using MainSmallLargeLayout = GenerationTest;

TEST_F(MainSmallLargeLayout, StartPageLinksToBothFirstPages) {
    SetPictures(2);
    Generate("<MAIN-SMALL-LARGE><MAIN>LINKTOFIRSTSMALLPAGE LINKTOFIRSTLARGEPAGE <IMAGES>");
    EXPECT_EQ(Page("main.htm"), "smallpage1.htm largepage1.htm 2");
}

TEST_F(MainSmallLargeLayout, ThreePicturesLinkedBothWaysAndToTwins) {
    SetPictures(3);
    Generate(kSmall);
    Generate(kLarge);
    EXPECT_EQ(Page("smallpage1.htm"),
              "thn_p1.jpg thn_p1.jpg main.htm smallpage2.htm largepage1.htm largepage1.htm "
              "LINKTOLARGEPAGE main.htm 1/3");
    EXPECT_EQ(Page("smallpage3.htm"),
              "thn_p3.jpg thn_p3.jpg smallpage2.htm main.htm largepage3.htm largepage3.htm "
              "LINKTOLARGEPAGE main.htm 3/3");
    EXPECT_EQ(Page("largepage2.htm"),
              "p2.jpg p2.jpg largepage1.htm largepage3.htm smallpage2.htm smallpage2.htm "
              "main.htm 2/3");
    EXPECT_FALSE(Exists("smallpage4.htm"));
}

TEST_F(MainSmallLargeLayout, GifPicturesOnLargePagesOnly) {
    SetPictures(1, ".tif");
    job.m_nJpegQuality = 0;
    Generate(kSmall);
    Generate(kLarge);
    EXPECT_EQ(Page("smallpage1.htm").substr(0, 21), "thn_p1.jpg thn_p1.jpg");
    EXPECT_EQ(Page("largepage1.htm").substr(0, 13), "p1.gif p1.gif");
}

TEST_F(MainSmallLargeLayout, NoPicturesWriteOnlyTheStartPageLinkingToItself) {
    SetPictures(0);
    Generate("<MAIN-SMALL-LARGE><MAIN>LINKTOFIRSTSMALLPAGE LINKTOFIRSTLARGEPAGE <IMAGES>");
    Generate(kSmall);
    Generate(kLarge);
    EXPECT_EQ(Page("main.htm"), "main.htm main.htm 0");
    EXPECT_FALSE(Exists("smallpage1.htm"));
    EXPECT_FALSE(Exists("largepage1.htm"));
}

}  // namespace
