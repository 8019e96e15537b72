#include "wizard/publication_worker.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace {

struct RecordingWizard : WizardControl {
    bool SheetExists() const override { return exists; }
    void SetWizardButtons(int mask) override { events.push_back("buttons " + std::to_string(mask)); }
    bool exists = true;
    std::vector<std::string> events;
};

struct NoConversion : PictureConverter {
    int ConvertImages(const GalleryJob&, const ImageList& images, ProgressSink&,
                      const std::atomic<bool>&) override {
        return static_cast<int>(images.GetSize());
    }
};

struct CountingSink : ProgressSink {
    void SetProgress(int, int) override {
        if (throws) {
            throw std::runtime_error("the window is gone");
        }
        ++calls;
    }
    int calls = 0;
    bool throws = false;
};

class PublicationWorkerTest : public ::testing::Test {
protected:
    PublicationWorkerTest() { job.m_strDestFolder = dest.path(); }
    TempFolder dest;
    GalleryJob job;
    NoConversion converter;
    GalleryPublisher publisher{job, converter};
    RecordingWizard wizard;
    CountingSink sink;
};

TEST_F(PublicationWorkerTest, DisablesTheButtonsAndRuns) {
    EXPECT_EQ(PublicationWorker(publisher, sink, wizard), 1);
    EXPECT_EQ(wizard.events, std::vector<std::string>{"buttons 0"});
    EXPECT_EQ(sink.calls, 4);
    EXPECT_TRUE(publisher.Report().completed);
}

TEST_F(PublicationWorkerTest, ASheetAlreadyGoneRunsNoStage) {
    wizard.exists = false;
    PublicationWorker(publisher, sink, wizard);
    EXPECT_EQ(sink.calls, 0);
    EXPECT_EQ(wizard.events, std::vector<std::string>{"buttons 0"});
}

// Whatever a worker meets, it ends as a report, never by ending the program.
TEST_F(PublicationWorkerTest, AnExceptionEndsTheWorkerNotTheProgram) {
    sink.throws = true;
    EXPECT_EQ(PublicationWorker(publisher, sink, wizard), 1);
    EXPECT_FALSE(publisher.Report().completed);
}

}  // namespace
