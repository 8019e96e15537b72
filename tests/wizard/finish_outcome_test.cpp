// The finish page after runs that did not write the whole gallery: it names the cause and the
// folder, and launches nothing that is not there. A complete run keeps the designed page.
#include <sys/mount.h>
#include <unistd.h>

#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "tests/wizard/wizard_test_support.h"

namespace {

const char* const kDesignedText =
    "Galvane has finished successfuly.\nYou can launch of result immediately. For this you should select "
    "checkbox belov and press \"Complete\" button.";

// A small tmpfs mounted over a fresh folder, then made read-only; unmounted on destruction.
class ReadOnlyDisk {
public:
    explicit ReadOnlyDisk(const std::string& where) : m_where(where) {
        m_mounted = ::mount("tmpfs", where.c_str(), "tmpfs", 0, "size=1m") == 0;
        m_readOnly =
            m_mounted && ::mount("tmpfs", where.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    ~ReadOnlyDisk() {
        if (m_mounted) {
            ::umount2(m_where.c_str(), MNT_DETACH);
        }
    }
    bool ReadOnly() const { return m_readOnly; }

private:
    std::string m_where;
    bool m_mounted = false;
    bool m_readOnly = false;
};

class FinishOutcomeTest : public WizardTest {
protected:
    FinishOutcomeTest() {
        job.m_strSourceFolder = source.path();
        job.m_strStylePath = BundledStyle("Classic");
        job.m_nThumbMaxWidth = 100;
        job.m_nThumbMaxHeight = 100;
        job.m_nJpegQuality = 75;
        for (int i = 0; i < 3; ++i) {
            WriteJpeg(source / ("p" + std::to_string(i) + ".jpg"), 64, 48, QColor::fromHsv(i * 90, 180, 220));
        }
    }
    // Publishes through the progress page, as the wizard does, and waits for the finish page.
    void Publish() {
        sheet->Publisher().ScanSourceFolder();
        OpenAt(CTrelliqSheet::kImageOrder);
        sheet->SetWizardButtons(kWizardBack | kWizardNext);
        Press(WizardButton::Next);
        ASSERT_TRUE(WaitFor([&] { return sheet->GetActiveIndex() == CTrelliqSheet::kFinish; }));
    }
    QLabel* Heading() { return Find<QLabel>("failureHeading"); }
    QLabel* Designed() { return Find<QLabel>("finishedText"); }
    QCheckBox* Launch() { return Find<QCheckBox>("launchCheck"); }
    // The Details box's list, one line per file.
    QStringList DetailLines() {
        QString details;
        QTimer::singleShot(0, [&] {
            auto* box = sheet->findChild<QMessageBox*>("reportBox");
            if (box != nullptr) {
                details = box->detailedText();
                box->accept();
            }
        });
        Find<QPushButton>("reportDetails")->click();
        return details.split('\n', Qt::SkipEmptyParts);
    }
};

}  // namespace

TEST_F(FinishOutcomeTest, ACompleteRunKeepsTheDesignedPage) {
    job.m_strDestFolder = dest.path();
    Publish();
    EXPECT_FALSE(Designed()->isHidden());
    EXPECT_EQ(Designed()->text(), kDesignedText);
    EXPECT_TRUE(Heading()->isHidden());
    EXPECT_TRUE(Launch()->isChecked());
    EXPECT_TRUE(Launch()->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("reportDetails")->isHidden());
    EXPECT_EQ(Find<QPushButton>("finishButton")->toolTip(),
              "Closes Galvane and opens the gallery in your browser");
}

// A destination on a read-only file system: nothing is written, and the page says so with the
// system's reason instead of the designed success.
TEST_F(FinishOutcomeTest, AReadOnlyDestinationIsAFailureWithNothingToLaunch) {
    const std::string locked = dest.MakeFolder("locked");
    if (::geteuid() != 0) {
        GTEST_SKIP() << "mounting a read-only tmpfs needs root: the read-only destination is not tried";
    }
    ReadOnlyDisk disk(locked);
    if (!disk.ReadOnly()) {
        GTEST_SKIP() << "no tmpfs could be mounted here: the read-only destination is not tried";
    }
    job.m_strDestFolder = locked;
    Publish();
    EXPECT_TRUE(Designed()->isHidden());
    ASSERT_FALSE(Heading()->isHidden());
    EXPECT_EQ(Heading()->text().toStdString(),
              "Galvane could not publish the gallery: Read-only file system.\nThe folder " + locked +
                  " holds no gallery to launch. Choose a folder you can write to, or free this one, and "
                  "publish again.");
    EXPECT_FALSE(Launch()->isChecked());
    EXPECT_FALSE(Launch()->isEnabled());
    EXPECT_EQ(Find<QPushButton>("finishButton")->toolTip(), "Closes Galvane");

    // Details names every file that could not be written, each with the reason.
    const QStringList lines = DetailLines();
    const RunReport& report = sheet->Publisher().Report();
    ASSERT_FALSE(report.notWritten.empty());
    EXPECT_EQ(lines.size(), report.ProblemCount());
    for (const char* name : {"thn_p0.jpg", "thn_p2.jpg", "p1.jpg", "classic-main.htm"}) {
        const QString line =
            QString::fromStdString("could not write " + locked + "/" + name + ": Read-only file system");
        EXPECT_TRUE(lines.contains(line)) << name << "\n" << lines.join("\n").toStdString();
    }

    // Complete opens nothing: there is no page to open.
    OpenedUrls opened;
    Press(WizardButton::Finish);
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_TRUE(opened.urls.empty());
}

// A run that wrote its start page but not every file: the heading says only part was written,
// the start page can still be launched, and Details lists each file.
TEST_F(FinishOutcomeTest, APartialRunNamesTheCauseAndStillLaunches) {
    dest.Write("main.htm", "<html></html>");
    job.m_strDestFolder = dest.path();
    RunReport report;
    report.completed = true;
    report.picturesConverted = 3;
    report.pagesWritten = 4;
    report.notWritten = {{dest / "p2.jpg", "No space left on device"},
                         {dest / "imagepage3.htm", "No space left on device"},
                         {dest / "style.css", "Permission denied"}};
    sheet->m_finish.SetRunReport(&report);
    OpenAt(CTrelliqSheet::kFinish);

    EXPECT_TRUE(Designed()->isHidden());
    EXPECT_EQ(
        Heading()->text().toStdString(),
        "Galvane wrote only part of the gallery: No space left on device.\n3 files could not be written "
        "into " +
            dest.path() + "; Details lists them.");
    EXPECT_TRUE(Launch()->isChecked());
    EXPECT_TRUE(Launch()->isEnabled());
    const QStringList lines = DetailLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[2].toStdString(), "could not write " + dest / "style.css" + ": Permission denied");

    // The start page's own reason comes first once it is among the failures, and then there is
    // nothing to launch.
    report.notWritten.push_back({dest / "main.htm", "Permission denied"});
    sheet->SetActivePage(CTrelliqSheet::kFinish);
    EXPECT_TRUE(Heading()->text().startsWith("Galvane could not publish the gallery: Permission denied.\n"))
        << Heading()->text().toStdString();
    EXPECT_FALSE(Launch()->isChecked());
    EXPECT_FALSE(Launch()->isEnabled());
}
