// A picture's words from its sidecar files, and the placeholders that put them into pages.

#include "engine/picture_words.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/page_escaping.h"
#include "tests/engine/generation_fixture.h"

namespace {

std::string Xmp(const std::string& inner) {
    return "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
           "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
           "<rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/' "
           "xmlns:photoshop='http://ns.adobe.com/photoshop/1.0/'>" +
           inner + "</rdf:Description></rdf:RDF></x:xmpmeta>";
}

std::string XmpCaption(const std::string& text) {
    return Xmp("<dc:description><rdf:Alt><rdf:li xml:lang='x-default'>" + text +
               "</rdf:li></rdf:Alt></dc:description>");
}

}  // namespace

TEST(PictureWordsSidecars, TheFirstSidecarWithTextWins) {
    TempFolder folder;
    const std::string picture = folder.Write("beach.jpg", "not read");
    EXPECT_EQ(ReadPictureWords(picture, nullptr).caption, "");
    folder.Write("beach.xmp", XmpCaption("from beach.xmp"));
    EXPECT_EQ(ReadPictureWords(picture, nullptr).caption, "from beach.xmp");
    // A sidecar without a description passes to the next.
    folder.Write("beach.jpg.xmp", Xmp(""));
    EXPECT_EQ(ReadPictureWords(picture, nullptr).caption, "from beach.xmp");
    folder.Write("beach.jpg.xmp", XmpCaption("from beach.jpg.xmp"));
    EXPECT_EQ(ReadPictureWords(picture, nullptr).caption, "from beach.jpg.xmp");
    folder.Write("beach.txt", "from beach.txt\n");
    EXPECT_EQ(ReadPictureWords(picture, nullptr).caption, "from beach.txt");
    folder.Write("beach.jpg.txt", "\xEF\xBB\xBF from beach.jpg.txt ");
    EXPECT_EQ(ReadPictureWords(picture, nullptr).caption, "from beach.jpg.txt");
    // A text file holding nothing, or only a camera's stock text, passes to the next source.
    folder.Write("beach.jpg.txt", "  \n ");
    EXPECT_EQ(ReadPictureWords(picture, nullptr).caption, "from beach.txt");
    folder.Write("beach.txt", "OLYMPUS DIGITAL CAMERA");
    EXPECT_EQ(ReadPictureWords(picture, nullptr).caption, "from beach.jpg.xmp");
}

TEST(PictureWordsSidecars, TitleAndDateFromTheXmpSidecar) {
    TempFolder folder;
    const std::string picture = folder.Write("p.jpg", "x");
    folder.Write("p.jpg.xmp",
                 Xmp("<dc:title><rdf:Alt><rdf:li xml:lang='x-default'>Dawn</rdf:li></rdf:Alt></dc:title>"
                     "<photoshop:DateCreated>2021-03-04T05:06:07</photoshop:DateCreated>"));
    const PictureWords words = ReadPictureWords(picture, nullptr);
    EXPECT_EQ(words.caption, "");
    EXPECT_EQ(words.title, "Dawn");
    ASSERT_TRUE(words.taken);
    EXPECT_EQ(words.taken->Display(), "2021-03-04 05:06");
}

TEST(PictureWordsSidecars, OddFilesAreNoCaption) {
    TempFolder folder;
    const std::string picture = folder.Write("a.b.jpg", "x");
    // Only the last extension is replaced: "a.b.txt", never "a.txt".
    folder.Write("a.txt", "not mine");
    EXPECT_EQ(ReadPictureWords(picture, nullptr).caption, "");
    // A folder with the sidecar's name is no sidecar.
    folder.MakeFolder("a.b.jpg.txt");
    folder.Write("a.b.txt", "mine");
    EXPECT_EQ(ReadPictureWords(picture, nullptr).caption, "mine");
    // A huge text file: only its start is read, and the caption is cut to the limit.
    folder.Write("a.b.txt", std::string(5'000'000, 'w'));
    EXPECT_EQ(ReadPictureWords(picture, nullptr).caption.size(), kMaxWordsCharacters);
}

TEST(PictureWordsSidecars, ManyPicturesReadInParallelKeepTheirOrder) {
    TempFolder folder;
    std::vector<std::string> paths;
    for (int i = 0; i < 50; ++i) {
        paths.push_back(folder.Write("p" + std::to_string(i) + ".jpg", "x"));
        folder.Write("p" + std::to_string(i) + ".txt", "caption " + std::to_string(i));
    }
    const std::vector<PictureWords> words = ReadAllPictureWords(paths, nullptr, 4);
    ASSERT_EQ(words.size(), paths.size());
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(words[static_cast<std::size_t>(i)].caption, "caption " + std::to_string(i));
    }
    EXPECT_TRUE(ReadAllPictureWords({}, nullptr).empty());
}

TEST(PageTextOfWords, EscapesAndNeverHoldsAPlaceholderWord) {
    EXPECT_EQ(PageTextOfWords("<script>alert(\"x\")</script> & 'q'"),
              "&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; &#39;q&#39;");
    EXPECT_EQ(PageTextOfWords("A PICTURE"), "A P&#73;C&#84;U&#82;E");
    EXPECT_EQ(PageTextOfWords("Plain words stay"), "Plain words stay");
}

// The placeholders of the three layouts.
class PictureWordsPlaceholders : public GenerationTest {
protected:
    void GenerateWithWords(const std::string& templ) {
        GapPageBuffer page;
        page.Load(templ);
        const auto role = RecognizeTemplate(page);
        ASSERT_TRUE(role.has_value()) << templ;
        PageContext context{job, images};
        context.words = &words;
        GeneratePage(page, role->kind, role->role, context);
    }

    void SetWords() {
        SetPictures(3);
        words.resize(3);
        words[0].caption = "Fish & <chips>";
        words[0].title = "LINKTOBACKPAGE and PICTURE";
        words[0].taken = ParseExifDate("2023:08:14 06:12:40", "+02:00");
        words[1].caption = "Second";
        // The third picture has no words at all.
    }

    std::vector<PictureWords> words;
};

TEST_F(PictureWordsPlaceholders, PicturePagesOfEachLayout) {
    SetWords();
    GenerateWithWords(
        "<MAIN-INDEX-PAGE><PAGE><h2>IMTITLE</h2><img src=\"PICTURE\"><p>IMCAPTION</p>"
        "<p>IMDATETAKEN</p><a href=\"LINKTOBACKPAGE\">b</a>");
    EXPECT_EQ(Page("imagepage1.htm"),
              "<h2>L&#73;N&#75;T&#79;B&#65;C&#75;P&#65;G&#69; and P&#73;C&#84;U&#82;E</h2>"
              "<img src=\"p1.jpg\"><p>Fish &amp; &lt;chips&gt;</p><p>2023-08-14 06:12</p>"
              "<a href=\"main.htm\">b</a>");
    EXPECT_EQ(Page("imagepage3.htm"),
              "<h2></h2><img src=\"p3.jpg\"><p></p><p></p><a href=\"imagepage2.htm\">b</a>");

    GenerateWithWords("<FRAME-MAIN-LIST-IMAGE><IMAGE><img src=\"PICTURE\">IMCAPTION|IMDATETAKEN");
    EXPECT_EQ(Page("imagepage2.htm"), "<img src=\"p2.jpg\">Second|");

    GenerateWithWords("<MAIN-SMALL-LARGE><SMALL><img src=\"THUMBNAIL\">IMCAPTION");
    GenerateWithWords("<MAIN-SMALL-LARGE><LARGE><img src=\"PICTURE\">IMCAPTION IMDATETAKEN");
    EXPECT_EQ(Page("smallpage2.htm"), "<img src=\"thn_p2.jpg\">Second");
    EXPECT_EQ(Page("largepage1.htm"), "<img src=\"p1.jpg\">Fish &amp; &lt;chips&gt; 2023-08-14 06:12");
}

TEST_F(PictureWordsPlaceholders, ThumbnailSlotsOfIndexAndListPages) {
    SetWords();
    const std::string slot =
        "[<a LINKTOPAGE><img src=\"THUMBNAIL\" alt=\"THALTTEXT\"></a>THCAPTION/THDATETAKEN]";
    GenerateWithWords("<MAIN-INDEX-PAGE><INDEX>" + slot + slot + slot + slot);
    EXPECT_EQ(Page("indexpage1.htm"),
              "[<a  HREF=\"imagepage1.htm\" ><img src=\"thn_p1.jpg\" alt=\"Fish &amp; &lt;chips&gt;\"></a>"
              "Fish &amp; &lt;chips&gt;/2023-08-14 06:12]"
              "[<a  HREF=\"imagepage2.htm\" ><img src=\"thn_p2.jpg\" alt=\"Second\"></a>Second/]"
              "[<a  HREF=\"imagepage3.htm\" ><img src=\"thn_p3.jpg\" alt=\"thn_p3.jpg\"></a>/]"
              "[<a ><img src=\"empty.gif\" alt=\"\"></a>/]");

    GenerateWithWords(
        "<FRAME-MAIN-LIST-IMAGE><LIST><BEGINTABLE><a href=\"LINKTOIMAGEPAGE\">"
        "<img src=\"THUMBNAIL\" alt=\"THALTTEXT\"></a>THTITLE<ENDTABLE>");
    EXPECT_EQ(Page("listpage.htm"),
              "<a href=\"imagepage1.htm\"><img src=\"thn_p1.jpg\" alt=\"Fish &amp; &lt;chips&gt;\"></a>"
              "L&#73;N&#75;T&#79;B&#65;C&#75;P&#65;G&#69; and P&#73;C&#84;U&#82;E"
              "<a href=\"imagepage2.htm\"><img src=\"thn_p2.jpg\" alt=\"Second\"></a>"
              "<a href=\"imagepage3.htm\"><img src=\"thn_p3.jpg\" alt=\"thn_p3.jpg\"></a>");
}

TEST_F(PictureWordsPlaceholders, WithoutWordsThePlaceholdersGiveEmptyText) {
    SetPictures(1);
    // No words read at all (a bare generation): the placeholders go, nothing else changes.
    Generate("<MAIN-INDEX-PAGE><PAGE>[IMCAPTION][IMTITLE][IMDATETAKEN]<img src=\"PICTURE\">");
    EXPECT_EQ(Page("imagepage1.htm"), "[][][]<img src=\"p1.jpg\">");
}

TEST_F(PictureWordsPlaceholders, AStyleWithoutThemPublishesAsWithoutWords) {
    const std::string slot = "[<a LINKTOPAGE><img src=\"THUMBNAIL\" alt=\"THFILENAME\"></a>]";
    const std::vector<std::string> templates = {
        "<MAIN-INDEX-PAGE><INDEX>TITLEOFPAGE <NAME> " + slot + slot + " <INDEX>/<INDEXES>",
        "<MAIN-INDEX-PAGE><PAGE><img src=\"PICTURE\" alt=\"IMFILENAME\"> <PAGE> LINKTOBACKPAGE",
        "<FRAME-MAIN-LIST-IMAGE><LIST><BEGINTABLE><a href=LINKTOIMAGEPAGE><img src=\"THUMBNAIL\" "
        "alt=\"THFILENAME\"></a><ENDTABLE>",
        "<MAIN-SMALL-LARGE><LARGE><img src=\"PICTURE\" alt=\"IMFILENAME\"> LINKTOSMALLPAGE",
    };
    const std::vector<std::string> pages = {"indexpage1.htm", "imagepage2.htm", "listpage.htm",
                                            "largepage3.htm"};
    SetWords();
    for (std::size_t i = 0; i < templates.size(); ++i) {
        Generate(templates[i]);
        const std::string without = Page(pages[i]);
        GenerateWithWords(templates[i]);
        EXPECT_EQ(Page(pages[i]), without) << templates[i];
    }
}
