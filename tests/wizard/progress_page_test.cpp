#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

#include "tests/wizard/wizard_test_support.h"

namespace {

class ProgressPageTest : public WizardTest {
protected:
    ProgressPageTest() {
        job.m_strSourceFolder = source.path();
        job.m_strDestFolder = dest.path();
        job.m_strStylePath = BundledStyle("Classic");
        job.m_nThumbMaxWidth = 100;
        job.m_nThumbMaxHeight = 100;
        job.m_nJpegQuality = 75;
    }
    void WritePictures(int count, int width, int height) {
        for (int i = 0; i < count; ++i) {
            WriteJpeg(source / ("p" + std::to_string(100 + i) + ".jpg"), width, height,
                      QColor::fromHsv(i * 37 % 360, 180, 220));
        }
    }
    // Fills the picture list the way the image order page does, then enters the progress page.
    void StartRun() {
        sheet->Publisher().ScanSourceFolder();
        OpenAt(CTrelliqSheet::kImageOrder);
        sheet->SetWizardButtons(kWizardBack | kWizardNext);
        Press(WizardButton::Next);
    }
    int Thumbnails() {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dest.path())) {
            // The thumbnails themselves, not the WebP copies the bundled style asks for beside them.
            const std::string name = entry.path().filename().string();
            count +=
                name.rfind("thn_", 0) == 0 && name.ends_with(".jpg") && name.find("@2x") == std::string::npos;
        }
        return count;
    }
    int Files() {
        return static_cast<int>(std::distance(std::filesystem::directory_iterator(dest.path()),
                                              std::filesystem::directory_iterator()));
    }
    QProgressBar* Bar() { return Find<QProgressBar>("progressBar"); }
};

}  // namespace

TEST_F(ProgressPageTest, EmptyListRunsThroughAndMovesOnByItself) {
    std::vector<int> values;
    std::vector<int> masksSeen;
    QObject::connect(Bar(), &QProgressBar::valueChanged, [&](int value) {
        values.push_back(value);
        masksSeen.push_back(Buttons());
    });
    OpenAt(CTrelliqSheet::kImageOrder);
    Press(WizardButton::Next);
    EXPECT_EQ(sheet->GetActiveIndex(), CTrelliqSheet::kProgress);
    EXPECT_EQ(Buttons(), 0);
    ASSERT_TRUE(WaitFor([&] { return sheet->GetActiveIndex() == CTrelliqSheet::kFinish; }));
    EXPECT_EQ(values, (std::vector<int>{0, 80, 90, 100}));
    EXPECT_EQ(Bar()->maximum(), 100);
    for (int mask : masksSeen) {
        EXPECT_EQ(mask, 0);
    }
    EXPECT_EQ(Find<QLabel>("statusLine")->text(), "");
    EXPECT_TRUE(FileExists(dest / "main.htm"));
    // The worker ends right after pressing Next.
    EXPECT_TRUE(WaitFor([&] { return !sheet->m_progress.IsWorking(); }));
}

TEST_F(ProgressPageTest, PicturesMoveTheBarUpwardsToTheEnd) {
    WritePictures(3, 64, 48);
    std::vector<int> values;
    // The picture line as each bar value was shown: the picture whose step it is.
    std::vector<QString> pictures;
    QObject::connect(Bar(), &QProgressBar::valueChanged, [&](int value) {
        values.push_back(value);
        pictures.push_back(Find<QLabel>("pictureLine")->text());
    });
    StartRun();
    ASSERT_TRUE(WaitFor([&] { return sheet->GetActiveIndex() == CTrelliqSheet::kFinish; }));
    EXPECT_EQ(values, (std::vector<int>{0, 13, 26, 40, 53, 66, 80, 90, 100}));
    EXPECT_EQ(pictures, (std::vector<QString>{"", "1 of 3: p100.jpg", "1 of 3: p100.jpg", "2 of 3: p101.jpg",
                                              "2 of 3: p101.jpg", "3 of 3: p102.jpg", "3 of 3: p102.jpg",
                                              "3 of 3: p102.jpg", "3 of 3: p102.jpg"}));
    EXPECT_EQ(Find<QLabel>("statusLine")->text(), "");
    EXPECT_EQ(Thumbnails(), 3);
    EXPECT_EQ(Buttons(), kWizardFinish);
    // A clean run: the finish page shows no warning.
    EXPECT_TRUE(Find<QLabel>("reportWarning")->isHidden());
    EXPECT_TRUE(Find<QPushButton>("reportDetails")->isHidden());
    EXPECT_TRUE(Find<QLabel>("cleanupNote")->isHidden());
}

// A run that could not do everything says so on the finish page: how many, the first names, and
// the whole list on request.
TEST_F(ProgressPageTest, TheFinishPageWarnsOfWhatTheRunCouldNotDo) {
    WritePictures(2, 64, 48);
    for (const char* name : {"bad1.jpg", "bad2.jpg", "bad3.jpg", "bad4.jpg"}) {
        source.Write(name, "not a picture");
    }
    StartRun();
    ASSERT_TRUE(WaitFor([&] { return sheet->GetActiveIndex() == CTrelliqSheet::kFinish; }));
    QLabel* warning = Find<QLabel>("reportWarning");
    EXPECT_FALSE(warning->isHidden());
    EXPECT_EQ(warning->text(), "Warning: 4 files could not be published: bad1.jpg, bad2.jpg, bad3.jpg, ...");
    MessageBoxAnswerer boxes;
    Find<QPushButton>("reportDetails")->click();
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].caption, "Warning");
    EXPECT_EQ(Buttons(), kWizardFinish);
    EXPECT_FALSE(FileExists(dest / "imagepage3.htm"));
}

// Pictures dropped from the list before a re-publish: their files go, the finish page says how many,
// and warns of a file of the user's the run replaced.
TEST_F(ProgressPageTest, ARepublishRemovesWhatWasDroppedAndTheFinishPageSaysSo) {
    WritePictures(4, 64, 48);
    struct : ProgressSink {
        void SetProgress(int, int) override {}
    } quiet;
    sheet->Publisher().ScanSourceFolder();
    sheet->Publisher().RunPublication(quiet);
    ASSERT_TRUE(sheet->Publisher().Report().completed);
    ASSERT_TRUE(FileExists(dest / "imagepage4.htm"));
    dest.Write("indexpage1.htm", "the user's own index");
    const int before = Files();

    // The last picture deleted on the image order page.
    OpenAt(CTrelliqSheet::kImageOrder);
    auto* list = Find<QTreeWidget>("pictureList");
    list->setCurrentItem(list->topLevelItem(3));
    Find<QPushButton>("deleteButton")->click();
    ASSERT_EQ(sheet->Publisher().m_imageList.GetSize(), 3u);
    sheet->SetWizardButtons(kWizardBack | kWizardNext);
    Press(WizardButton::Next);
    ASSERT_TRUE(WaitFor([&] { return sheet->GetActiveIndex() == CTrelliqSheet::kFinish; }));
    for (const char* name : {"thn_p103.jpg", "p103.jpg", "imagepage4.htm"}) {
        EXPECT_FALSE(FileExists(dest / name)) << name;
    }
    EXPECT_TRUE(FileExists(source / "p103.jpg"));
    EXPECT_EQ(Thumbnails(), 3);
    QLabel* note = Find<QLabel>("cleanupNote");
    EXPECT_FALSE(note->isHidden());
    // The count is what left the folder: the picture's outputs (and its sized copies) and its page.
    const int removed = before - Files();
    EXPECT_GE(removed, 3);
    EXPECT_EQ(note->text().toStdString(),
              std::to_string(removed) + " files removed that the gallery no longer holds\n"
              "Warning: 1 file replaced that Galvane had not made: indexpage1.htm");
}

// Cancel during the run stops it at its next picture and closes the wizard once the worker has
// ended; the worker never presses Next into a closing wizard.
TEST_F(ProgressPageTest, CancelStopsTheRunAndClosesTheWizard) {
    WritePictures(40, 900, 700);
    bool cancelled = false;
    QObject::connect(Bar(), &QProgressBar::valueChanged, [&](int value) {
        if (value > 0 && !cancelled) {
            cancelled = true;
            Press(WizardButton::Cancel);
        }
    });
    StartRun();
    ASSERT_TRUE(WaitFor([&] { return !sheet->isVisible(); }));
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(sheet->result(), QDialog::Rejected);
    EXPECT_EQ(sheet->GetActiveIndex(), CTrelliqSheet::kProgress);
    EXPECT_FALSE(sheet->m_progress.IsWorking());
    EXPECT_LT(Thumbnails(), 40);
    EXPECT_FALSE(FileExists(dest / "main.htm"));
    // No temporary of a page, a copy or a picture outlives the run.
    for (const auto& entry : std::filesystem::directory_iterator(dest.path())) {
        EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
    }
}

TEST_F(ProgressPageTest, ClosingTheWindowDuringTheRunWaitsForTheWorker) {
    WritePictures(40, 900, 700);
    bool closed = false;
    QObject::connect(Bar(), &QProgressBar::valueChanged, [&](int value) {
        if (value > 0 && !closed) {
            closed = true;
            sheet->close();
        }
    });
    StartRun();
    ASSERT_TRUE(WaitFor([&] { return !sheet->isVisible(); }));
    EXPECT_FALSE(sheet->m_progress.IsWorking());
    EXPECT_LT(Thumbnails(), 40);
}

TEST_F(ProgressPageTest, DestroyingTheWizardDuringTheRunWaitsForTheWorker) {
    WritePictures(40, 900, 700);
    StartRun();
    ASSERT_TRUE(WaitFor([&] { return Bar()->value() > 0; }));
    sheet.reset();
    const int written = Thumbnails();
    EXPECT_LT(written, 40);
    // Nothing goes on writing once the wizard is gone.
    QTest::qWait(300);
    EXPECT_EQ(Thumbnails(), written);
}
