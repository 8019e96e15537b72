#include <gtest/gtest.h>

#include "tests/engine/generation_fixture.h"
#include "tests/support/gallery_links.h"

namespace {

const std::string kSlot = "[<a LINKTOPAGE><img src=\"THUMBNAIL\" title=\"THFILENAME\"></a>]";
const std::string kIndex4 = "<MAIN-INDEX-PAGE><INDEX> page <INDEX> of <INDEXES> " + kSlot + kSlot + kSlot +
                            kSlot +
                            " <a href=\"LINKTOBACKINDEX\">b</a><a href=\"LINKTOFORWARDINDEX\">f</a>"
                            "<a href=\"LINKTOMAINPAGE\">m</a>";
const std::string kPicture =
    "<MAIN-INDEX-PAGE><PAGE> <img src=\"PICTURE\">IMFILENAME <PAGE>/<PAGES> "
    "<a href=\"LINKTOBACKPAGE\">b</a><a href=\"LINKTOFORWARDPAGE\">f</a>"
    "<a href=\"LINKTOINDEXPAGE\">i</a><a href=\"LINKTOMAINPAGE\">m</a>";

std::string FilledSlot(int picture) {
    const std::string thumb = "thn_p" + std::to_string(picture) + ".jpg";
    return "[<a  HREF=\"imagepage" + std::to_string(picture) + ".htm\" ><img src=\"" + thumb + "\" title=\"" +
           thumb + "\"></a>]";
}
const std::string kEmptySlot = "[<a ><img src=\"empty.gif\" title=\"\"></a>]";

using MainIndexPageLayout = GenerationTest;

TEST_F(MainIndexPageLayout, StartPageLinksToFirstIndexPage) {
    SetPictures(5);
    Generate("<MAIN-INDEX-PAGE><MAIN><a href=\"LINKTOFIRSTPAGE\"><PAGES> pictures</a> TITLEOFPAGE");
    EXPECT_EQ(Page("main.htm"), "<a href=\"indexpage1.htm\">5 pictures</a> T");
}

TEST_F(MainIndexPageLayout, SevenPicturesOnFourSlotPages) {
    SetPictures(7);
    Generate(kIndex4);
    const std::string links1 =
        " <a href=\"main.htm\">b</a><a href=\"indexpage2.htm\">f</a><a href=\"main.htm\">m</a>";
    EXPECT_EQ(Page("indexpage1.htm"),
              " page 1 of 2 " + FilledSlot(1) + FilledSlot(2) + FilledSlot(3) + FilledSlot(4) + links1);
    const std::string links2 =
        " <a href=\"indexpage1.htm\">b</a><a href=\"main.htm\">f</a><a href=\"main.htm\">m</a>";
    EXPECT_EQ(Page("indexpage2.htm"),
              " page 2 of 2 " + FilledSlot(5) + FilledSlot(6) + FilledSlot(7) + kEmptySlot + links2);
    EXPECT_FALSE(Exists("indexpage3.htm"));
}

TEST_F(MainIndexPageLayout, ExactMultipleEndsOnLastFullPage) {
    SetPictures(8);
    Generate(kIndex4);
    EXPECT_NE(Page("indexpage2.htm").find("<a href=\"main.htm\">f</a>"), std::string::npos);
    EXPECT_NE(Page("indexpage2.htm").find(FilledSlot(8)), std::string::npos);
    EXPECT_FALSE(Exists("indexpage3.htm"));
}

TEST_F(MainIndexPageLayout, NoPicturesGiveOneEmptyIndexPageAndNoPicturePage) {
    SetPictures(0);
    Generate(kIndex4);
    Generate(kPicture);
    EXPECT_EQ(Page("indexpage1.htm"), " page 1 of 0 " + kEmptySlot + kEmptySlot + kEmptySlot + kEmptySlot +
                                          " <a href=\"main.htm\">b</a><a href=\"main.htm\">f</a>"
                                          "<a href=\"main.htm\">m</a>");
    EXPECT_FALSE(Exists("indexpage2.htm"));
    EXPECT_FALSE(Exists("imagepage1.htm"));
}

TEST_F(MainIndexPageLayout, TemplateWithoutCompleteSlotWritesOnePage) {
    // Thumbnails without links never count as slots: the cursor stays on the first picture.
    SetPictures(5);
    Generate("<MAIN-INDEX-PAGE><INDEX>THUMBNAIL THUMBNAIL <INDEXES> LINKTOFORWARDINDEX");
    EXPECT_EQ(Page("indexpage1.htm"), "thn_p1.jpg thn_p1.jpg 1 main.htm");
    EXPECT_FALSE(Exists("indexpage2.htm"));
}

TEST_F(MainIndexPageLayout, SurplusFileNamePlaceholderTakesNextPagesPicture) {
    SetPictures(3);
    Generate("<MAIN-INDEX-PAGE><INDEX><a LINKTOPAGE>THUMBNAIL</a> THFILENAME THFILENAME THFILENAME");
    // Round 1 fills the slot, the closing round fills one more with the cursor already moved on.
    EXPECT_EQ(Page("indexpage1.htm"),
              "<a  HREF=\"imagepage1.htm\" >thn_p1.jpg</a> thn_p1.jpg thn_p2.jpg THFILENAME");
    EXPECT_EQ(Page("indexpage3.htm"), "<a  HREF=\"imagepage3.htm\" >thn_p3.jpg</a> thn_p3.jpg  THFILENAME");
}

TEST_F(MainIndexPageLayout, NamesHoldingPlaceholderWordsDoNotLoopForever) {
    images.Add("/photos/THUMBNAIL.jpg");
    images.Add("/photos/LINKTOPAGE THFILENAME.jpg");
    Generate("<MAIN-INDEX-PAGE><INDEX><a LINKTOPAGE>THUMBNAIL</a>THFILENAME");
    EXPECT_TRUE(Exists("indexpage1.htm"));
    EXPECT_TRUE(Exists("indexpage2.htm"));
    EXPECT_FALSE(Exists("indexpage3.htm"));
}

TEST_F(MainIndexPageLayout, PicturePagesLinkNeighboursAndFirstIndex) {
    SetPictures(3, ".bmp");
    Generate(kPicture);
    EXPECT_EQ(Page("imagepage1.htm"),
              " <img src=\"p1.jpg\">p1.jpg 1/3 <a href=\"main.htm\">b</a><a href=\"imagepage2.htm\">f</a>"
              "<a href=\"indexpage1.htm\">i</a><a href=\"main.htm\">m</a>");
    EXPECT_NE(Page("imagepage3.htm").find("<a href=\"imagepage2.htm\">b</a><a href=\"main.htm\">f</a>"),
              std::string::npos);
}

TEST_F(MainIndexPageLayout, SinglePictureLinksBothWaysToStart) {
    SetPictures(1);
    job.m_nJpegQuality = 0;
    Generate(kPicture);
    EXPECT_EQ(Page("imagepage1.htm"),
              " <img src=\"p1.gif\">p1.gif 1/1 <a href=\"main.htm\">b</a><a href=\"main.htm\">f</a>"
              "<a href=\"indexpage1.htm\">i</a><a href=\"main.htm\">m</a>");
}

TEST_F(MainIndexPageLayout, RepeatedMarkerStaysInThePage) {
    SetPictures(1);
    Generate("<MAIN-INDEX-PAGE><MAIN> again <MAIN-INDEX-PAGE><MAIN>");
    EXPECT_EQ(Page("main.htm"), " again <MAIN-INDEX-PAGE><MAIN>");
}

}  // namespace
