#include "engine/publication_run.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "engine/picture_names.h"
#include "tests/support/temp_folder.h"

namespace {

using Calls = std::vector<std::pair<int, int>>;

struct RecordingSink : ProgressSink {
    void SetProgress(int position, int range) override { calls.emplace_back(position, range); }
    Calls calls;
};

// Stands in for the picture code: writes marker files under the names the pages expect and
// reports the conversion's steps, or cancels the run after `cancelAfter` pictures.
class MarkerConverter : public PictureConverter {
public:
    int ConvertImages(const GalleryJob& job, const ImageList& images, ProgressSink& progress,
                      const std::atomic<bool>& cancel) override {
        ConversionProgress steps(progress, static_cast<int>(images.GetSize()));
        for (std::size_t i = 0; i < images.GetSize() && !cancel; ++i) {
            const std::string source = images.GetPathAt(i);
            WriteMarker(job.m_strDestFolder + "/" + LargePictureName(source, job.m_nJpegQuality));
            steps.Step();
            WriteMarker(job.m_strDestFolder + "/" + ThumbnailName(source));
            steps.Step();
            if (publisher != nullptr && static_cast<int>(i + 1) == cancelAfter) {
                publisher->RequestCancel();
            }
        }
        return static_cast<int>(images.GetSize());
    }
    static void WriteMarker(const std::string& path) {
        if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
            std::fclose(f);
        }
    }

    GalleryPublisher* publisher = nullptr;
    int cancelAfter = -1;
};

struct RecordingWizard : WizardControl {
    bool SheetExists() const override { return exists; }
    void SetWizardButtons(int mask) override { events.push_back("buttons " + std::to_string(mask)); }
    void PressNext() override { events.push_back("next"); }
    bool exists = true;
    std::vector<std::string> events;
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

    TempFolder source, dest, style;
    GalleryJob job;
    MarkerConverter converter;
    GalleryPublisher publisher{job, converter};
    RecordingSink sink;
};

TEST_F(PublicationRunTest, ReportsEveryStageInOrder) {
    for (const char* name : {"b.jpg", "a.gif", "c.txt"}) {
        source.Write(name, "x");
    }
    publisher.ScanSourceFolder();
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
}

TEST_F(PublicationRunTest, EmptyListStillCopiesTheStyleAndWritesFixedPages) {
    EXPECT_EQ(publisher.RunPublication(sink), 1);
    EXPECT_EQ(sink.calls, (Calls{{0, 100}, {80, 0}, {90, 0}, {100, 0}}));
    EXPECT_TRUE(FileExists(dest / "main.htm"));
    EXPECT_TRUE(FileExists(dest / "indexpage1.htm"));
    EXPECT_FALSE(FileExists(dest / "imagepage1.htm"));
}

TEST_F(PublicationRunTest, CancelStopsAtTheNextPictureAndReportsNothingMore) {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
        source.Write(name, "x");
    }
    publisher.ScanSourceFolder();
    converter.publisher = &publisher;
    converter.cancelAfter = 1;
    RecordingWizard wizard;
    EXPECT_EQ(PublicationWorker(publisher, sink, wizard), 1);
    EXPECT_EQ(sink.calls, (Calls{{0, 100}, {13, 0}, {26, 0}}));
    EXPECT_FALSE(FileExists(dest / "thn_b.jpg"));
    EXPECT_FALSE(FileExists(dest / "main.htm"));
    EXPECT_EQ(wizard.events, std::vector<std::string>{"buttons 0"});
}

TEST_F(PublicationRunTest, WorkerDisablesRunsThenPressesNext) {
    RecordingWizard wizard;
    EXPECT_EQ(PublicationWorker(publisher, sink, wizard), 1);
    EXPECT_EQ(wizard.events, (std::vector<std::string>{"buttons 0", "buttons 2", "next"}));
    EXPECT_EQ(sink.calls.back(), std::make_pair(100, 0));

    // A sheet already gone: no stage runs, the buttons are still posted.
    RecordingWizard gone;
    gone.exists = false;
    RecordingSink silent;
    PublicationWorker(publisher, silent, gone);
    EXPECT_TRUE(silent.calls.empty());
    EXPECT_EQ(gone.events, (std::vector<std::string>{"buttons 0", "buttons 2", "next"}));
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

}  // namespace
