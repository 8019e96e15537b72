#include <gtest/gtest.h>

#include "tests/engine/generation_fixture.h"

namespace {

const std::string kList1 =
    "<FRAME-MAIN-LIST-IMAGE><LIST><IMAGES>:<BEGINTABLE>[<a href=\"LINKTOIMAGEPAGE\">"
    "THUMBNAIL|THFILENAME</a>]<ENDTABLE><a href=\"LINKTOFIRSTPAGE\">";
const std::string kImage =
    "<FRAME-MAIN-LIST-IMAGE><IMAGE><IMAGE>/<IMAGES> PICTURE IMFILEPATH "
    "LINKTOBACKIMAGEPAGE LINKTOFORWARDIMAGEPAGE LINKTOFIRSTPAGE";

std::string Slot(int n) {
    return "[<a href=\"imagepage" + std::to_string(n) + ".htm\">thn_p" + std::to_string(n) + ".jpg|thn_p" +
           std::to_string(n) + ".jpg</a>]";
}

using FrameMainListImageLayout = GenerationTest;

TEST_F(FrameMainListImageLayout, FixedPagesGetOnlyCommonTagsAndCount) {
    SetPictures(4);
    Generate("<FRAME-MAIN-LIST-IMAGE><FRM>TITLEOFPAGE <IMAGES>");
    Generate("<FRAME-MAIN-LIST-IMAGE><TOP><NAME>");
    Generate("<FRAME-MAIN-LIST-IMAGE><MAIN><IMAGES> pictures");
    EXPECT_EQ(Page("main.htm"), "T <IMAGES>");
    EXPECT_EQ(Page("toppage.htm"), "N");
    EXPECT_EQ(Page("firstpage.htm"), "4 pictures");
}

TEST_F(FrameMainListImageLayout, BlockStandsOncePerPicture) {
    SetPictures(3);
    Generate(kList1);
    EXPECT_EQ(Page("listpage.htm"), "3:" + Slot(1) + Slot(2) + Slot(3) + "<a href=\"firstpage.htm\">");
}

TEST_F(FrameMainListImageLayout, SurplusSlotsRepeatTheLastPicture) {
    SetPictures(3);
    Generate(
        "<FRAME-MAIN-LIST-IMAGE><LIST><BEGINTABLE>(THUMBNAIL LINKTOIMAGEPAGE)(THUMBNAIL LINKTOIMAGEPAGE)"
        "<ENDTABLE>");
    std::string expected;
    for (int n : {1, 2, 3, 3, 3, 3}) {
        expected += "(thn_p" + std::to_string(n) + ".jpg imagepage" + std::to_string(n) + ".htm)";
    }
    EXPECT_EQ(Page("listpage.htm"), expected);
}

TEST_F(FrameMainListImageLayout, OnePictureAndNoPictures) {
    SetPictures(1);
    Generate(kList1);
    EXPECT_EQ(Page("listpage.htm"), "1:" + Slot(1) + "<a href=\"firstpage.htm\">");
    Generate(kImage);
    EXPECT_EQ(Page("imagepage1.htm"), "1/1 p1.jpg p1.jpg firstpage.htm firstpage.htm firstpage.htm");

    SetPictures(0);
    Generate(kList1);
    // No picture, no slot: the block goes and no page name is left dangling.
    EXPECT_EQ(Page("listpage.htm"), "0:<a href=\"firstpage.htm\">");
}

TEST_F(FrameMainListImageLayout, ListWithoutBlockMarkersRepeatsNothing) {
    SetPictures(3);
    Generate("<FRAME-MAIN-LIST-IMAGE><LIST><BEGINTABLE>THUMBNAIL LINKTOIMAGEPAGE THUMBNAIL");
    EXPECT_EQ(Page("listpage.htm"), "thn_p1.jpg imagepage1.htm thn_p2.jpg");
}

TEST_F(FrameMainListImageLayout, PicturePagesLinkToNeighboursAndFirstPage) {
    SetPictures(3);
    Generate(kImage);
    EXPECT_EQ(Page("imagepage1.htm"), "1/3 p1.jpg p1.jpg firstpage.htm imagepage2.htm firstpage.htm");
    EXPECT_EQ(Page("imagepage2.htm"), "2/3 p2.jpg p2.jpg imagepage1.htm imagepage3.htm firstpage.htm");
    EXPECT_EQ(Page("imagepage3.htm"), "3/3 p3.jpg p3.jpg imagepage2.htm firstpage.htm firstpage.htm");
    EXPECT_FALSE(Exists("imagepage4.htm"));
}

TEST_F(FrameMainListImageLayout, ThumbnailNamedLikeAPlaceholderEnds) {
    images.Add("/photos/THUMBNAIL.jpg");
    images.Add("/photos/LINKTOIMAGEPAGE.jpg");
    Generate(kList1);
    EXPECT_TRUE(Exists("listpage.htm"));
}

}  // namespace
