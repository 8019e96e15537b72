// The album placeholders of a style, the navigation they show, and the record of album folders.
#include "engine/album_tags.h"

#include <gtest/gtest.h>

#include "engine/album_navigation.h"
#include "engine/gap_page_buffer.h"
#include "engine/run_manifest.h"

namespace {

std::string Applied(const std::string& text, const AlbumNavigation* nav) {
    GapPageBuffer page;
    page.Load(text);
    ApplyAlbumTags(page, nav);
    return page.Text();
}

const std::string kTemplate =
    "<body>\n"
    "<!--GALVANE-TRAIL--><nav><!--GALVANE-STEP--><a href=\"STEPLINK\">STEPTITLE</a> / "
    "<!--/GALVANE-STEP-->ALBUMHERE</nav>\n<!--/GALVANE-TRAIL-->"
    "<!--GALVANE-UP--><a rel=\"up\" href=\"ALBUMUPLINK\">ALBUMUPTITLE</a>\n<!--/GALVANE-UP-->"
    "<h1>x</h1>\n"
    "<!--GALVANE-ALBUMS--><ul>\n<!--GALVANE-ALBUM--><li><a href=\"ALBUMLINK\"><img src=\"ALBUMCOVER\" "
    "alt=\"\">ALBUMTITLE</a> "
    "ALBUMNPHOTOS/ALBUMNALBUMS</li>\n<!--/GALVANE-ALBUM--></ul>\n<!--/GALVANE-ALBUMS-->"
    "</body>";

TEST(AlbumTags, BlocksAreCutOutWholeWithoutAlbumsOrWithNothingToShow) {
    EXPECT_EQ(Applied(kTemplate, nullptr), "<body>\n<h1>x</h1>\n</body>");
    AlbumNavigation top;  // the top of a gallery whose top holds no albums
    EXPECT_EQ(Applied(kTemplate, &top), "<body>\n<h1>x</h1>\n</body>");
    // A page without blocks and without albums is left as it is.
    EXPECT_EQ(Applied("<body>THUMBNAIL ALBUMLINK</body>", nullptr), "<body>THUMBNAIL ALBUMLINK</body>");
}

TEST(AlbumTags, TilesTrailAndUpLinkAreFilledEscapedAndEncoded) {
    Album top;
    Album year;
    year.relativePath = "2026";
    year.title = "2026";
    Album odd;
    odd.relativePath = "2026/A & \"B\" #1 ALBUMTITLE";
    odd.title = "A & \"B\" #1 ALBUMTITLE";
    odd.pictures.Add("/src/2026/x/p 1.jpg");
    odd.pictures.Add("/src/2026/x/folder.PNG");
    Album deeper;
    deeper.relativePath = odd.relativePath + "/d";
    deeper.title = "d";
    odd.albums.push_back(deeper);
    year.albums.push_back(odd);
    top.albums.push_back(year);

    const AlbumNavigation nav = NavigationOf(year, {&top}, "<Top>");
    const std::string page = Applied(kTemplate, &nav);
    EXPECT_EQ(
        page,
        "<body>\n"
        "<nav><a href=\"../main.htm\">&lt;Top&gt;</a> / 2026</nav>\n"
        "<a rel=\"up\" href=\"../main.htm\">&lt;Top&gt;</a>\n"
        "<h1>x</h1>\n"
        "<ul>\n<li><a href=\"A%20%26%20%22B%22%20%231%20ALBUMTITLE/main.htm\"><img "
        "src=\"A%20%26%20%22B%22%20%231%20ALBUMTITLE/thn_folder.jpg\" alt=\"\">A &amp; &quot;B&quot; #1 "
        "ALBUMTITLE</a> 2/1</li>\n</ul>\n"
        "</body>");

    const AlbumNavigation inner = NavigationOf(deeper, {&top, &year, &odd}, "Top");
    ASSERT_EQ(inner.trail.size(), 3u);
    EXPECT_EQ(inner.trail[0].link, "../../../main.htm");
    EXPECT_EQ(inner.trail[2].link, "../main.htm");
    EXPECT_EQ(inner.trail[2].title, odd.title);
    // The cover of an album without pictures is that of its first album, addressed from here.
    const AlbumNavigation fromTop = NavigationOf(top, {}, "Top");
    ASSERT_EQ(fromTop.albums.size(), 1u);
    EXPECT_EQ(fromTop.albums[0].cover, "2026/A%20%26%20%22B%22%20%231%20ALBUMTITLE/thn_folder.jpg");
    EXPECT_EQ(fromTop.albums[0].pictures, 0);
    EXPECT_EQ(fromTop.albums[0].albums, 1);
}

TEST(AlbumTags, AStyleWithoutBlocksGetsAPlainNavigationBeforeTheBodyEnds) {
    Album top;
    Album child;
    child.relativePath = child.title = "R&D";
    top.albums.push_back(child);
    AlbumNavigation nav = NavigationOf(top, {}, "Top");
    // A style with blocks of its own: a page without them gets nothing added.
    EXPECT_EQ(Applied("<p>a</p></body></html>", &nav), "<p>a</p></body></html>");
    nav.plain = true;
    EXPECT_EQ(Applied("<p>a</p></body></html>", &nav),
              "<p>a</p><nav class=\"galvane-albums\"><ul><li><a href=\"R%26D/main.htm\" "
              "target=\"_top\">R&amp;D</a> "
              "(0 pictures, 0 albums)</li></ul></nav>\n</body></html>");
    AlbumNavigation below = NavigationOf(child, {&top}, "Top");
    below.plain = true;
    EXPECT_EQ(Applied("<body></body>", &below),
              "<body><nav class=\"galvane-albums\"><p>Up: <a href=\"../main.htm\" "
              "target=\"_top\">Top</a></p></nav>\n</body>");
    // A page with a block of its own gets nothing added.
    EXPECT_EQ(Applied("<!--GALVANE-UP-->up<!--/GALVANE-UP--></body>", &nav), "</body>");
}

TEST(FillWords, FirstOccurrencesInTheTextAsItIs) {
    EXPECT_EQ(FillWords("A B A", {{"A", "B"}, {"B", "A"}}), "B A A");
    EXPECT_EQ(FillWords("ALBUMUPLINK ALBUMLINK", {{"ALBUMLINK", "x"}, {"ALBUMUPLINK", "y"}}), "y x");
    EXPECT_EQ(FillWords("none", {{"", "x"}, {"Z", "y"}}), "none");
}

TEST(RunManifest, AlbumFoldersAreRecordedAndReadBack) {
    RunManifest record;
    record.RecordAlbum("Day 1");
    record.RecordAlbum("100%");
    record.Record("main.htm", std::string(64, 'a'));
    const std::string text = record.Text();
    EXPECT_NE(text.find("album Day%201\n"), std::string::npos) << text;
    const RunManifest back = RunManifest::Parse(text + "album ../up\nalbum a/b\n");
    EXPECT_EQ(back.Albums(), (std::set<std::string>{"Day 1", "100%"}));
    EXPECT_NE(back.HashOf("main.htm"), nullptr);
    RunManifest albumsOnly;
    albumsOnly.RecordAlbum("x");
    EXPECT_FALSE(albumsOnly.Empty());
    EXPECT_FALSE(back.FolderMade());
    record.SetFolderMade(true);
    EXPECT_TRUE(RunManifest::Parse(record.Text()).FolderMade());
}

}  // namespace
