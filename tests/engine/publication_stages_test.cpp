#include "engine/publication_stages.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/engine/generation_fixture.h"

namespace {

using namespace std::string_literals;
using PublicationStages = GenerationTest;
const std::atomic<bool> noCancel{false};

TEST_F(PublicationStages, StyleCopyTakesTopLevelFilesOnly) {
    TempFolder style;
    style.Write("main.htm", "<MAIN-SMALL-LARGE><MAIN>");
    style.Write("site.css", "body{}");
    style.Write("sub/inner.css", "x");
    dest.Write("site.css", "old");
    RunReport report;
    EXPECT_EQ(CopyStyleFiles(style.path(), dest.path(), false, report).copies,
              (std::set<std::string>{"main.htm", "site.css"}));
    EXPECT_EQ(Page("site.css"), "body{}");
    EXPECT_TRUE(Exists("main.htm"));
    EXPECT_FALSE(Exists("sub"));
    EXPECT_EQ(report.ProblemCount(), 0);

    // A copy that already holds the style's bytes is left as it is, time stamp and all.
    struct stat before {
    }, after{};
    ASSERT_EQ(::stat((dest / "site.css").c_str(), &before), 0);
    std::filesystem::last_write_time(dest / "site.css", std::filesystem::file_time_type{});
    ASSERT_EQ(::stat((dest / "site.css").c_str(), &before), 0);
    CopyStyleFiles(style.path(), dest.path(), false, report);
    ASSERT_EQ(::stat((dest / "site.css").c_str(), &after), 0);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_ino, before.st_ino);
}

// A link may stand for another file of the style, never for a private file elsewhere; FIFOs and
// devices are not opened.
TEST_F(PublicationStages, StyleCopyTakesOnlyRegularFilesOfTheStyle) {
    TempFolder style, elsewhere;
    style.Write("site.css", "body{}");
    const std::string secret = elsewhere.Write("secret.txt", "private");
    std::filesystem::create_symlink(secret, style / "secret.txt");
    std::filesystem::create_symlink("site.css", style / "alias.css");
    std::filesystem::create_symlink(style / "sub", style / "dir-link");
    style.MakeFolder("sub");
    ASSERT_EQ(::mkfifo((style / "pipe.htm").c_str(), 0644), 0);
    RunReport report;
    EXPECT_EQ(CopyStyleFiles(style.path(), dest.path(), false, report).copies,
              (std::set<std::string>{"alias.css", "site.css"}));
    EXPECT_EQ(Page("alias.css"), "body{}");
    EXPECT_FALSE(Exists("secret.txt"));
    EXPECT_FALSE(Exists("pipe.htm"));
    ASSERT_EQ(report.leftOut.size(), 2u);
    EXPECT_EQ(report.leftOut[0].name, style / "pipe.htm");
    EXPECT_EQ(report.leftOut[0].reason, "not a regular file");
    EXPECT_EQ(report.leftOut[1].name, style / "secret.txt");
    EXPECT_EQ(report.leftOut[1].reason, "a symbolic link to a file outside the style folder");
}

// Hostile names go into URLs percent-encoded and into texts escaped, in every layout.
TEST_F(PublicationStages, NamesAreEncodedInUrlsAndEscapedInTexts) {
    images.Add("/photos/x\" onerror=\"alert(1).jpg");
    RunReport report;
    dest.Write("i.htm",
               "<MAIN-INDEX-PAGE><INDEX><a LINKTOPAGE><img src=\"THUMBNAIL\" alt=\"THFILENAME\"></a>");
    dest.Write("p.htm", "<MAIN-INDEX-PAGE><PAGE><img src=\"PICTURE\" alt=\"IMFILENAME\">");
    dest.Write("s.htm", "<MAIN-SMALL-LARGE><SMALL><img src=\"THUMBNAIL\" alt=\"IMFILENAME\">");
    PageContext context{job, images};
    GenerateGalleryPages(context, {{"i.htm", "p.htm", "s.htm"}, {}}, noCancel);
    EXPECT_EQ(Page("indexpage1.htm"),
              "<a  HREF=\"imagepage1.htm\" ><img src=\"thn_x%22%20onerror=%22alert(1).jpg\" "
              "alt=\"thn_x&quot; onerror=&quot;alert(1).jpg\"></a>");
    EXPECT_EQ(Page("imagepage1.htm"),
              "<img src=\"x%22%20onerror=%22alert(1).jpg\" alt=\"x&quot; onerror=&quot;alert(1).jpg\">");
    EXPECT_EQ(Page("smallpage1.htm"),
              "<img src=\"thn_x%22%20onerror=%22alert(1).jpg\" "
              "alt=\"thn_x&quot; onerror=&quot;alert(1).jpg\">");
}

TEST_F(PublicationStages, AFifoAmongTheTemplatesIsSkippedAndNamed) {
    SetPictures(1);
    ASSERT_EQ(::mkfifo((dest / "notes.htm").c_str(), 0644), 0);
    dest.Write("main.htm", "<MAIN-INDEX-PAGE><MAIN>LINKTOFIRSTPAGE");
    RunReport report;
    PageContext context{job, images};
    context.report = &report;
    GenerateGalleryPages(context, {{"main.htm"}, {}}, noCancel);
    EXPECT_EQ(Page("main.htm"), "indexpage1.htm");
    ASSERT_EQ(report.leftOut.size(), 1u);
    EXPECT_EQ(report.leftOut[0].name, dest / "notes.htm");
    EXPECT_TRUE(std::filesystem::is_fifo(dest / "notes.htm"));
}

TEST_F(PublicationStages, TemplatesAreReplacedByTheirPagesAndOtherFilesStay) {
    SetPictures(2);
    dest.Write("Index.HTML", "<MAIN-INDEX-PAGE><INDEX><a LINKTOPAGE>THUMBNAIL</a>");
    dest.Write("main.htm", "<MAIN-INDEX-PAGE><MAIN>LINKTOFIRSTPAGE");
    dest.Write("notes.htm", "no markers here");
    dest.Write("kind-only.htm", "<MAIN-INDEX-PAGE>");
    dest.Write("indexpage7.htm", "from an earlier, larger gallery");
    dest.MakeFolder("folder.htm");
    dest.Write("mine.htm", "<MAIN-INDEX-PAGE><PAGE>PICTURE");
    PageContext context{job, images};
    GenerateGalleryPages(context, {{"Index.HTML", "main.htm"}, {}}, noCancel);

    EXPECT_FALSE(Exists("Index.HTML"));
    // A template the run did not copy gives its pages but is the user's: it stays.
    EXPECT_EQ(Page("mine.htm"), "<MAIN-INDEX-PAGE><PAGE>PICTURE");
    EXPECT_EQ(Page("imagepage2.htm"), "p2.jpg");
    EXPECT_EQ(Page("main.htm"), "indexpage1.htm");
    EXPECT_EQ(Page("indexpage2.htm"), "<a  HREF=\"imagepage2.htm\" >thn_p2.jpg</a>");
    EXPECT_EQ(Page("notes.htm"), "no markers here");
    EXPECT_EQ(Page("kind-only.htm"), "<MAIN-INDEX-PAGE>");
    EXPECT_EQ(Page("indexpage7.htm"), "from an earlier, larger gallery");
}

TEST_F(PublicationStages, BinaryAndHugeTemplatesAreTreatedAsText) {
    SetPictures(3);
    const std::string binary = "\0\xff\xfe<MAIN-SMALL-LARGE>\0<LARGE>PICTURE\xc3\x28"s;
    dest.Write("bin.htm", binary);
    // 50 MB of filler around one placeholder: handled in one pass, not once per byte.
    std::string huge = "<MAIN-INDEX-PAGE><MAIN>" + std::string(50 << 20, 'x') + "LINKTOFIRSTPAGE";
    dest.Write("huge.htm", huge);
    PageContext context{job, images};
    GenerateGalleryPages(context, {{"bin.htm", "huge.htm"}, {}}, noCancel);
    EXPECT_EQ(Page("largepage3.htm"), "\0\xff\xfe\0p3.jpg\xc3\x28"s);
    const std::string main = Page("main.htm");
    EXPECT_EQ(main.size(), (50u << 20) + 14u);
    EXPECT_EQ(main.substr(main.size() - 14), "indexpage1.htm");
}

}  // namespace
