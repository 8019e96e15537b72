#include "engine/publication_run.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "engine/directory.h"
#include "engine/picture_names.h"
#include "engine/safe_files.h"
#include "tests/support/temp_folder.h"

namespace {

using Calls = std::vector<std::pair<int, int>>;

struct RecordingSink : ProgressSink {
    void SetProgress(int position, int range) override { calls.emplace_back(position, range); }
    Calls calls;
};

// Stands in for the picture code: writes marker files under the names the pages expect and
// reports the conversion's steps, or cancels the run after `cancelAfter` pictures. Pictures whose
// names hold "broken" give no files and are reported unreadable.
class MarkerConverter : public PictureConverter {
public:
    int ConvertImages(const GalleryJob& job, const ImageList& images, ProgressSink& progress,
                      const std::atomic<bool>& cancel) override {
        if (throws) {
            throw std::runtime_error("out of memory");
        }
        m_outcomes.assign(images.GetSize(), {});
        ConversionProgress steps(progress, static_cast<int>(images.GetSize()));
        const bool large = !IsSameFolder(job.m_strDestFolder, job.m_strSourceFolder);
        for (std::size_t i = 0; i < images.GetSize() && !cancel; ++i) {
            const std::string source = images.GetPathAt(i);
            PictureOutcome& outcome = m_outcomes[i];
            outcome.reached = true;
            const bool broken = source.find("broken") != std::string::npos;
            if (broken) {
                outcome.unreadable = "not a picture that can be read";
            } else if (large) {
                WriteMarker(job.m_strDestFolder + "/" + LargePictureName(source, job.m_nJpegQuality));
            }
            steps.Step();
            if (!broken) {
                WriteMarker(job.m_strDestFolder + "/" + ThumbnailName(source));
                outcome.thumbnailWritten = true;
            }
            steps.Step();
            if (publisher != nullptr && static_cast<int>(i + 1) == cancelAfter) {
                publisher->RequestCancel();
            }
        }
        return static_cast<int>(images.GetSize());
    }
    std::vector<PictureOutcome> Outcomes() const override { return m_outcomes; }
    // A file reading "variant of NAME" carries a variant's mark naming the source NAME.
    std::optional<OutputMark> ReadOutputMark(const std::string& path) const override {
        const std::string text = FileExists(path) ? ReadFile(path) : std::string();
        if (text.starts_with("variant of ")) {
            return OutputMark{"variant", text.substr(11)};
        }
        return std::nullopt;
    }
    static void WriteMarker(const std::string& path) {
        if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
            std::fclose(f);
        }
    }

    GalleryPublisher* publisher = nullptr;
    int cancelAfter = -1;
    bool throws = false;

private:
    std::vector<PictureOutcome> m_outcomes;
};

class PublicationRunTest : public ::testing::Test {
protected:
    PublicationRunTest() {
        job.m_strSourceFolder = source.path();
        job.m_strDestFolder = dest.path();
        job.m_strStylePath = style.path();
        job.m_nJpegQuality = 75;
        style.Write("main.htm", "<MAIN-INDEX-PAGE><MAIN><a href=\"LINKTOFIRSTPAGE\">TITLEOFPAGE</a>");
        style.Write("index.htm", "<MAIN-INDEX-PAGE><INDEX><a LINKTOPAGE><img src=\"THUMBNAIL\"></a>");
        style.Write("page.htm", "<MAIN-INDEX-PAGE><PAGE><img src=\"PICTURE\">");
        style.Write("style.css", "css");
    }

    void Sources(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            source.Write(name, "x");
        }
        publisher.ScanSourceFolder();
    }

    std::vector<std::string> LeftOutNames() const {
        std::vector<std::string> names;
        for (const FileProblem& p : publisher.Report().leftOut) {
            names.emplace_back(FileNameOf(p.name));
        }
        return names;
    }

    TempFolder source, dest, style;
    GalleryJob job;
    MarkerConverter converter;
    GalleryPublisher publisher{job, converter};
    RecordingSink sink;
};

TEST_F(PublicationRunTest, ReportsEveryStageInOrder) {
    Sources({"b.jpg", "a.gif", "c.txt"});
    ASSERT_EQ(publisher.m_imageList.GetSize(), 2u);
    EXPECT_EQ(publisher.RunPublication(sink), 1);
    EXPECT_EQ(sink.calls, (Calls{{0, 100}, {20, 0}, {40, 0}, {60, 0}, {80, 0}, {80, 0}, {90, 0}, {100, 0}}));
    for (const char* name : {"main.htm", "indexpage1.htm", "indexpage2.htm", "imagepage1.htm",
                             "imagepage2.htm", "style.css", "thn_a.jpg", "a.jpg"}) {
        EXPECT_TRUE(FileExists(dest / name)) << name;
    }
    EXPECT_FALSE(FileExists(dest / "index.htm"));
    EXPECT_EQ(ReadFile(dest / "imagepage1.htm"), "<img src=\"a.jpg\">");
    EXPECT_EQ(publisher.PagesWritten(), 5);
    EXPECT_TRUE(publisher.Report().Clean());
    EXPECT_EQ(publisher.Report().picturesConverted, 2);
}

TEST_F(PublicationRunTest, EmptyListStillCopiesTheStyleAndWritesFixedPages) {
    EXPECT_EQ(publisher.RunPublication(sink), 1);
    EXPECT_EQ(sink.calls, (Calls{{0, 100}, {80, 0}, {90, 0}, {100, 0}}));
    EXPECT_TRUE(FileExists(dest / "main.htm"));
    EXPECT_TRUE(FileExists(dest / "indexpage1.htm"));
    EXPECT_FALSE(FileExists(dest / "imagepage1.htm"));
}

TEST_F(PublicationRunTest, CancelStopsAtTheNextPictureAndReportsNothingMore) {
    Sources({"a.jpg", "b.jpg", "c.jpg"});
    converter.publisher = &publisher;
    converter.cancelAfter = 1;
    EXPECT_EQ(publisher.RunPublication(sink), 1);
    EXPECT_EQ(sink.calls, (Calls{{0, 100}, {13, 0}, {26, 0}}));
    EXPECT_FALSE(FileExists(dest / "thn_b.jpg"));
    EXPECT_FALSE(FileExists(dest / "main.htm"));
    EXPECT_TRUE(publisher.Report().cancelled);
    EXPECT_FALSE(publisher.Report().completed);
}

TEST_F(PublicationRunTest, DestinationThatIsTheStyleFolderKeepsTheTemplates) {
    job.m_strDestFolder = style.path() + "/.";
    EXPECT_TRUE(DestinationIsStyleFolder(job));
    publisher.RunPublication(sink);
    EXPECT_EQ(ReadFile(style / "index.htm"),
              "<MAIN-INDEX-PAGE><INDEX><a LINKTOPAGE><img src=\"THUMBNAIL\"></a>");
    EXPECT_FALSE(FileExists(style / "indexpage1.htm"));
    EXPECT_EQ(sink.calls.back(), std::make_pair(100, 0));
    job.m_strDestFolder = dest.path();
    EXPECT_FALSE(DestinationIsStyleFolder(job));
}

// dup.jpg and dup.tif would both make thn_dup.jpg and dup.jpg: the later one is left out and
// named, and the pages show each photo once.
TEST_F(PublicationRunTest, PicturesSharingOutputNamesLeaveTheLaterOneOut) {
    Sources({"dup.jpg", "dup.tif", "other.jpg"});
    publisher.RunPublication(sink);
    EXPECT_EQ(LeftOutNames(), std::vector<std::string>{"dup.tif"});
    EXPECT_NE(publisher.Report().leftOut[0].reason.find("dup.jpg"), std::string::npos);
    EXPECT_TRUE(FileExists(dest / "imagepage2.htm"));
    EXPECT_FALSE(FileExists(dest / "imagepage3.htm"));
    EXPECT_EQ(ReadFile(dest / "imagepage2.htm"), "<img src=\"other.jpg\">");
    EXPECT_EQ(publisher.Report().picturesConverted, 2);
}

// A picture without a thumbnail gets no slot and no page: the others close up.
TEST_F(PublicationRunTest, UnreadablePictureIsLeftOutOfThePages) {
    Sources({"a.jpg", "broken.jpg", "c.jpg"});
    publisher.RunPublication(sink);
    ASSERT_EQ(publisher.Report().unreadable.size(), 1u);
    EXPECT_EQ(publisher.Report().unreadable[0].name, source / "broken.jpg");
    EXPECT_EQ(publisher.Report().unreadable[0].reason, "not a picture that can be read");
    EXPECT_EQ(ReadFile(dest / "imagepage2.htm"), "<img src=\"c.jpg\">");
    EXPECT_FALSE(FileExists(dest / "imagepage3.htm"));
    EXPECT_EQ(ReadFile(dest / "indexpage2.htm"), "<a  HREF=\"imagepage2.htm\" ><img src=\"thn_c.jpg\"></a>");
    EXPECT_FALSE(FileExists(dest / "indexpage3.htm"));
    EXPECT_FALSE(publisher.Report().Clean());
    EXPECT_TRUE(publisher.Report().NothingLost());
}

// Publishing into the source folder (here under another spelling of it) never replaces the
// user's files, and the pages show the sources themselves, whatever their extension.
TEST_F(PublicationRunTest, SameFolderRunKeepsTheUsersFilesAndLinksTheSources) {
    for (const int quality : {75, 0}) {
        SCOPED_TRACE(quality);
        job.m_nJpegQuality = quality;
        job.m_strDestFolder = source.path() + "/.";
        style.Write("background.jpg", "the style's background");
        source.Write("background.jpg", "the user's photo");
        source.Write("style.css", "css");
        Sources({"a.JPG", "b.bmp", "c.jpeg"});
        publisher.RunPublication(sink);
        EXPECT_EQ(ReadFile(source / "background.jpg"), "the user's photo");
        EXPECT_EQ(LeftOutNames(), (std::vector<std::string>{"background.jpg"}));
        EXPECT_EQ(ReadFile(source / "imagepage1.htm"), "<img src=\"a.JPG\">");
        EXPECT_EQ(ReadFile(source / "imagepage2.htm"), "<img src=\"b.bmp\">");
        // The user's own background.jpg is listed by the scan too: it is a picture of theirs.
        EXPECT_EQ(ReadFile(source / "imagepage3.htm"), "<img src=\"background.jpg\">");
        EXPECT_EQ(ReadFile(source / "imagepage4.htm"), "<img src=\"c.jpeg\">");
        EXPECT_FALSE(FileExists(source / "a.jpg"));
        EXPECT_FALSE(FileExists(source / "a.gif"));
        EXPECT_FALSE(FileExists(source / "index.htm"));
    }
}

// In the source folder, a marked variant of the large picture lies among the photos with a
// picture's extension: it is no photo of the gallery, and it goes once its source is gone. A
// file of that shape without the mark, or under a name that does not fit its mark, is a photo.
TEST_F(PublicationRunTest, ASameFolderRunsOwnVariantsAreNoPictures) {
    source.Write("a.jpg", "x");
    source.Write("a-800w.webp", "variant of a.jpg");
    source.Write("b-800w.webp", "variant of a.jpg");
    source.Write("c-1280w.webp", "the user's photo");
    source.Write("z-1280w.webp", "variant of z.jpg");
    // Scanned for another destination first, as the wizard may before the box is ticked.
    Sources({});
    EXPECT_EQ(publisher.m_imageList.GetSize(), 5u);
    job.m_strDestFolder = source.path();
    publisher.RunPublication(sink);
    ASSERT_TRUE(publisher.Report().completed);
    EXPECT_EQ(ReadFile(source / "imagepage1.htm"), "<img src=\"a.jpg\">");
    EXPECT_EQ(ReadFile(source / "imagepage2.htm"), "<img src=\"b-800w.webp\">");
    EXPECT_EQ(ReadFile(source / "imagepage3.htm"), "<img src=\"c-1280w.webp\">");
    EXPECT_FALSE(FileExists(source / "imagepage4.htm"));
    EXPECT_FALSE(FileExists(source / "z-1280w.webp"));
    EXPECT_EQ(ReadFile(source / "c-1280w.webp"), "the user's photo");
    EXPECT_EQ(ReadFile(source / "b-800w.webp"), "variant of a.jpg");
    // A scan for the source folder itself lists the photos only, in every album.
    publisher.ScanSourceFolder();
    EXPECT_EQ(publisher.m_imageList.GetSize(), 3u);
    source.MakeFolder("sub");
    source.Write("sub/d.jpg", "x");
    source.Write("sub/d-800w.webp", "variant of d.jpg");
    const AlbumScan scan = publisher.ScanAlbumTree();
    EXPECT_EQ(scan.top.pictures.GetSize(), 3u);
    ASSERT_EQ(scan.top.albums.size(), 1u);
    EXPECT_EQ(scan.top.albums[0].pictures.GetSize(), 1u);
}

TEST_F(PublicationRunTest, ADestinationAnotherRunHoldsIsRefusedAtOnce) {
    Sources({"a.jpg"});
    FolderLock other;
    std::string reason;
    ASSERT_TRUE(other.TryAcquire(dest.path(), reason)) << reason;
    publisher.RunPublication(sink);
    EXPECT_TRUE(publisher.Report().destinationBusy);
    EXPECT_FALSE(publisher.Report().NothingLost());
    EXPECT_TRUE(ListDirectory(dest.path()).empty());
    other.Release();
    publisher.RunPublication(sink);
    EXPECT_TRUE(publisher.Report().Clean());
    // The lock lives on the folder itself: no lock file is left.
    for (const DirectoryEntry& entry : ListDirectory(dest.path())) {
        EXPECT_EQ(entry.name.find("lock"), std::string::npos) << entry.name;
    }
}

TEST_F(PublicationRunTest, AFailureInsideTheRunEndsAsAFailedReport) {
    Sources({"a.jpg"});
    converter.throws = true;
    EXPECT_EQ(publisher.RunPublication(sink), 1);
    EXPECT_EQ(publisher.Report().failure, "out of memory");
    EXPECT_FALSE(publisher.Report().completed);
    EXPECT_FALSE(publisher.Report().NothingLost());
}

// Another style's folder, or any folder named with "###" that holds a template, is a style.
TEST_F(PublicationRunTest, FoldersThatHoldAStyleAreKnown) {
    TempFolder parent;
    const std::string named = parent.MakeFolder("###Mine");
    EXPECT_FALSE(FolderHoldsStyle(named, {}));
    parent.Write("###Mine/t.htm", "<MAIN-SMALL-LARGE><MAIN>");
    EXPECT_TRUE(FolderHoldsStyle(named, {}));
    EXPECT_TRUE(FolderHoldsStyle(named + "/.", {}));
    EXPECT_TRUE(FolderHoldsStyle(style.path() + "/.", {style.path()}));
    EXPECT_FALSE(FolderHoldsStyle(dest.path(), {style.path()}));
}

}  // namespace
