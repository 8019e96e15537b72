#include "engine/common_tags.h"

#include <gtest/gtest.h>

#include "tests/engine/generation_fixture.h"

namespace {

TEST(HtmlColor, RedGreenBlueAsTwoLowercaseDigitsEach) {
    EXPECT_EQ(HtmlColor(0), "#000000");
    EXPECT_EQ(HtmlColor(0x00FFFFFF), "#ffffff");
    EXPECT_EQ(HtmlColor(MakeColorRef(0x0C, 0x0B, 0x0A)), "#0c0b0a");
    EXPECT_EQ(HtmlColor(MakeColorRef(0x99, 0x66, 0x33)), "#996633");
    EXPECT_EQ(HtmlColor(0x00336699), "#996633");
}

TEST(GeneratorCredit, NamesProgramVersionAndHomePage) {
    EXPECT_EQ(GeneratorCredit(), "Galvane ver3.210 [https://galvane.example.org/]");
}

class CommonTagsTest : public GenerationTest {
protected:
    std::string Apply(const std::string& text) {
        GapPageBuffer page;
        page.Load(text);
        PageContext context{job, images};
        ApplyCommonTags(page, context);
        return page.Text();
    }
};

TEST_F(CommonTagsTest, EachPlaceholderOnlyAtItsFirstOccurrence) {
    job.m_strCommentary = "C";
    job.m_crBkgndColor = 0x00FFFFFF;
    job.m_crTextColor = MakeColorRef(1, 2, 3);
    EXPECT_EQ(Apply("GALVANECONTENT|<COMMENTARY>|TITLEOFPAGE TITLEOFPAGE|<NAME>|<body BKGNDCOLOR BKGNDIMAGE "
                    "TEXTCOLOR>"),
              GeneratorCredit() + "|C|T TITLEOFPAGE|N|<body bgcolor=\"#ffffff\"  text=\"#010203\">");
}

TEST_F(CommonTagsTest, InsertedValuesAreSearchedLikeTemplateText) {
    // The title brings its own "<NAME>", which stands before the template's and so takes the name.
    job.m_strTitle = "My <NAME> & co";
    EXPECT_EQ(Apply("<h1>TITLEOFPAGE</h1><p><NAME></p>"), "<h1>My N & co</h1><p><NAME></p>");
    // A commentary holding TEXTCOLOR gets the text colour attribute inside it.
    job.m_strCommentary = "see TEXTCOLOR";
    EXPECT_EQ(Apply("<COMMENTARY><body TEXTCOLOR>"), "see text=\"#000000\"<body TEXTCOLOR>");
}

TEST_F(CommonTagsTest, BackgroundPictureIsCopiedWhenSwitchedOn) {
    TempFolder style;
    job.m_strBkgndImage = style.Write("background.jpg", "JPEGDATA");
    job.m_bUseBkgndImage = 0;
    EXPECT_EQ(Apply("<body BKGNDIMAGE>"), "<body >");
    EXPECT_FALSE(Exists("background.jpg"));

    job.m_bUseBkgndImage = 1;
    EXPECT_EQ(Apply("<body BKGNDIMAGE>"), "<body background=\"background.jpg\">");
    EXPECT_EQ(Page("background.jpg"), "JPEGDATA");

    job.m_strBkgndImage = style / "gone.jpg";
    EXPECT_EQ(Apply("<body BKGNDIMAGE>"), "<body >");
}

TEST_F(CommonTagsTest, BackgroundAlreadyInDestinationIsNotDamaged) {
    job.m_strBkgndImage = dest.Write("tile.png", "PNGDATA");
    job.m_bUseBkgndImage = 1;
    EXPECT_EQ(Apply("BKGNDIMAGE"), "background=\"tile.png\"");
    EXPECT_EQ(Page("tile.png"), "PNGDATA");
}

TEST_F(CommonTagsTest, WrittenPagesAreCountedAndUnwritableOnesSkipped) {
    GapPageBuffer page;
    page.Load("x");
    PageContext context{job, images};
    WritePage(page, context, "main.htm");
    EXPECT_EQ(context.pagesWritten, 1);
    job.m_strDestFolder = dest / "missing";
    WritePage(page, context, "main.htm");
    EXPECT_FALSE(Exists("missing/main.htm"));
    EXPECT_EQ(context.pagesWritten, 1);
}

}  // namespace
