// A run with albums on, with a stand-in for the picture code: the folder lock over the tree, files
// in the way, cancellation and the progress of the one conversion.
#include <gtest/gtest.h>

#include <cstdio>

#include "engine/directory.h"
#include "engine/picture_names.h"
#include "engine/publication_run.h"
#include "engine/safe_files.h"
#include "tests/support/temp_folder.h"

namespace {

struct RecordingSink : ProgressSink {
    void SetProgress(int position, int range) override { calls.emplace_back(position, range); }
    std::vector<std::pair<int, int>> calls;
};

// Writes empty thumbnails and large pictures into each entry's album folder; may cancel the run
// once the conversion is done.
class AlbumMarkerConverter : public PictureConverter {
public:
    int ConvertImages(const GalleryJob& job, const ImageList& images, ProgressSink& progress,
                      const std::atomic<bool>&) override {
        m_outcomes.assign(images.GetSize(), {});
        ConversionProgress steps(progress, static_cast<int>(images.GetSize()));
        for (std::size_t i = 0; i < images.GetSize(); ++i) {
            const ImageEntry& entry = images.ElementAt(i);
            const std::string folder =
                entry.album.empty() ? job.m_strDestFolder : JoinPath(job.m_strDestFolder, entry.album);
            for (const std::string& name :
                 {ThumbnailName(entry.path), LargePictureName(entry.path, job.m_nJpegQuality)}) {
                if (std::FILE* f = std::fopen(JoinPath(folder, name).c_str(), "wb")) {
                    std::fclose(f);
                }
            }
            m_outcomes[i].reached = m_outcomes[i].thumbnailWritten = true;
            steps.Step();
            steps.Step();
            albums.push_back(entry.album);
            paths.push_back(entry.path);
        }
        if (cancelAfterConversion != nullptr) {
            cancelAfterConversion->RequestCancel();
        }
        return static_cast<int>(images.GetSize());
    }
    std::vector<PictureOutcome> Outcomes() const override { return m_outcomes; }

    std::vector<std::string> albums;
    std::vector<std::string> paths;
    GalleryPublisher* cancelAfterConversion = nullptr;

private:
    std::vector<PictureOutcome> m_outcomes;
};

class AlbumRun : public ::testing::Test {
protected:
    AlbumRun() {
        job.m_strSourceFolder = source.path();
        job.m_strDestFolder = dest.path();
        job.m_strStylePath = style.path();
        job.m_nJpegQuality = 75;
        job.m_bAlbums = true;
        style.Write("main.htm",
                    "<MAIN-INDEX-PAGE><MAIN><a href=\"LINKTOFIRSTPAGE\">TITLEOFPAGE</a>"
                    "<!--GALVANE-ALBUMS--><!--GALVANE-ALBUM--><a href=\"ALBUMLINK\">ALBUMTITLE</a>"
                    "<!--/GALVANE-ALBUM--><!--/GALVANE-ALBUMS-->"
                    "<!--GALVANE-UP--><a href=\"ALBUMUPLINK\">up</a><!--/GALVANE-UP-->");
        style.Write("index.htm", "<MAIN-INDEX-PAGE><INDEX><a LINKTOPAGE><img src=\"THUMBNAIL\"></a>");
        style.Write("page.htm", "<MAIN-INDEX-PAGE><PAGE><img src=\"PICTURE\">");
        for (const char* name : {"t.jpg", "A/a.jpg", "A/B/b.jpg", "C/c.jpg"}) {
            source.Write(name, "x");
        }
        publisher.ScanSourceFolder();
    }

    std::vector<std::string> Problems() const {
        std::vector<std::string> lines;
        for (const FileProblem& p : publisher.Report().notWritten) {
            lines.push_back(p.name.substr(dest.path().size()) + ": " + p.reason);
        }
        return lines;
    }

    TempFolder source, dest, style;
    GalleryJob job;
    AlbumMarkerConverter converter;
    GalleryPublisher publisher{job, converter};
    RecordingSink sink;
};

TEST_F(AlbumRun, OneConversionForAllAlbumsThenEachAlbumsPages) {
    publisher.RunPublication(sink);
    ASSERT_TRUE(publisher.Report().Clean()) << publisher.Report().Lines().size();
    EXPECT_EQ(converter.albums, (std::vector<std::string>{"", "A", "A/B", "C"}));
    // The bar of a flat run of four pictures.
    EXPECT_EQ(sink.calls, (std::vector<std::pair<int, int>>{{0, 100},
                                                            {10, 0},
                                                            {20, 0},
                                                            {30, 0},
                                                            {40, 0},
                                                            {50, 0},
                                                            {60, 0},
                                                            {70, 0},
                                                            {80, 0},
                                                            {80, 0},
                                                            {90, 0},
                                                            {100, 0}}));
    EXPECT_EQ(ReadFile(dest / "main.htm"),
              "<a href=\"indexpage1.htm\"></a><a href=\"A/main.htm\">A</a><a href=\"C/main.htm\">C</a>");
    EXPECT_EQ(ReadFile(dest / "A/B/main.htm"),
              "<a href=\"indexpage1.htm\"></a><a href=\"../main.htm\">up</a>");
    EXPECT_TRUE(FileExists(dest / "A/B/thn_b.jpg"));
    EXPECT_TRUE(FileExists(dest / "A/B/imagepage1.htm"));
    EXPECT_FALSE(FileExists(dest / "A/B/index.htm"));  // the template copy went
    EXPECT_EQ(publisher.Report().pagesWritten, 4 * 3);
}

// The user's order and choice of each album's pictures reach that album only; an album without a
// list of its own publishes what its folder holds, and a list for a folder that is no album is
// ignored.
TEST_F(AlbumRun, EachAlbumPublishesItsOwnListInItsOrder) {
    for (const char* name : {"A/a2.jpg", "A/a3.jpg", "C/c2.jpg"}) {
        source.Write(name, "x");
    }
    ImageList a;
    a.Add(source / "A/a3.jpg");
    a.Add(source / "A/a.jpg");
    publisher.m_albumLists["A"] = a;
    // An album holding albums may be left without pictures of its own.
    publisher.m_albumLists["A/B"] = ImageList{};
    ImageList stray;
    stray.Add(source / "t.jpg");
    publisher.m_albumLists["Gone"] = stray;
    publisher.RunPublication(sink);
    ASSERT_TRUE(publisher.Report().completed);
    EXPECT_EQ(converter.paths,
              (std::vector<std::string>{source / "t.jpg", source / "A/a3.jpg", source / "A/a.jpg",
                                        source / "C/c.jpg", source / "C/c2.jpg"}));
    EXPECT_EQ(converter.albums, (std::vector<std::string>{"", "A", "A", "C", "C"}));
    EXPECT_EQ(ReadFile(dest / "A/imagepage1.htm"), "<img src=\"a3.jpg\">");
    EXPECT_EQ(ReadFile(dest / "A/imagepage2.htm"), "<img src=\"a.jpg\">");
    EXPECT_FALSE(FileExists(dest / "A/imagepage3.htm"));
    EXPECT_FALSE(FileExists(dest / "A/thn_a2.jpg"));
    EXPECT_FALSE(FileExists(dest / "A/B/thn_b.jpg"));
    EXPECT_FALSE(FileExists(dest / "Gone"));
}

TEST_F(AlbumRun, TheLockCoversEveryAlbumsFolderAndAFileInTheWayStopsOnlyItsAlbum) {
    const std::string heldFolder = dest.MakeFolder("A/B");
    FolderLock other;
    std::string reason;
    ASSERT_TRUE(other.TryAcquire(heldFolder, reason)) << reason;
    dest.Write("C", "a file of the user's");
    publisher.RunPublication(sink);
    EXPECT_TRUE(publisher.Report().completed);
    EXPECT_EQ(Problems(), (std::vector<std::string>{"/A/B: " + std::string(kFolderBusy),
                                                    "/C: a file of that name is in the way of the album"}));
    EXPECT_FALSE(FileExists(dest / "A/B/main.htm"));
    EXPECT_EQ(ReadFile(dest / "C"), "a file of the user's");
    // No tile leads to an album that could not be published.
    EXPECT_EQ(ReadFile(dest / "main.htm"), "<a href=\"indexpage1.htm\"></a><a href=\"A/main.htm\">A</a>");
    EXPECT_EQ(ReadFile(dest / "A/main.htm"), "<a href=\"indexpage1.htm\"></a><a href=\"../main.htm\">up</a>");
    EXPECT_EQ(converter.albums, (std::vector<std::string>{"", "A"}));
    // Neither is recorded as an album the run made, so no later run removes anything there.
    EXPECT_EQ(ReadFile(dest / "A/.galvane-manifest").find("album"), std::string::npos);
}

TEST_F(AlbumRun, ACancelledRunLeavesNoTemplateCopyAndRemovesNothing) {
    dest.Write("A/thn_gone.jpg", "");
    converter.cancelAfterConversion = &publisher;
    publisher.RunPublication(sink);
    EXPECT_TRUE(publisher.Report().cancelled);
    for (const std::string folder : {"", "/A", "/A/B", "/C"}) {
        for (const DirectoryEntry& entry : ListDirectory(dest.path() + folder)) {
            EXPECT_FALSE(MatchesWildcard("*.htm*", entry.name)) << folder << "/" << entry.name;
        }
    }
    EXPECT_TRUE(FileExists(dest / "A/thn_gone.jpg"));
    EXPECT_FALSE(FileExists(dest / ".galvane-manifest"));
}

}  // namespace
