#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <cstdlib>

#include "ftp/ftp_uploader.h"
#include "tests/support/ftp_test_server.h"
#include "tests/wizard/wizard_test_support.h"
#include "uploader/uploader_dialog.h"

namespace {

class FinishPageTest : public WizardTest {
protected:
    FinishPageTest() {
        // The machine's proxy settings would send the test's traffic elsewhere.
        for (const char* name : {"ftp_proxy", "FTP_PROXY", "all_proxy", "ALL_PROXY"}) {
            ::unsetenv(name);
        }
        for (const char* name : {"main.htm", "indexpage1.htm", "thn_a.jpg"}) {
            dest.Write(name, std::string("content of ") + name);
        }
        job.m_strDestFolder = dest.path();
        OpenAt(CTrelliqSheet::kFinish);
    }
    QCheckBox* Launch() { return Find<QCheckBox>("launchCheck"); }
    QCheckBox* Upload() { return Find<QCheckBox>("uploadCheck"); }
    QString Status() { return Find<QLabel>("uploadStatus")->text(); }
    bool FtpControlsEnabled(bool enabled) {
        bool all = true;
        for (const char* name : {"serverEdit", "loginEdit", "subfolderEdit", "passwordEdit"}) {
            all = all && Find<QLineEdit>(name)->isEnabled() == enabled;
        }
        return all && Find<QPushButton>("startButton")->isEnabled() == enabled &&
               Find<QProgressBar>("uploadProgress")->isEnabled() == enabled;
    }
    void FillIn(const FtpTestServer& server, const char* subfolder) {
        Upload()->click();
        QTest::keyClicks(Find<QLineEdit>("serverEdit"), QString::fromStdString(server.address()));
        QTest::keyClicks(Find<QLineEdit>("loginEdit"), FtpTestServer::kLogin);
        Find<QLineEdit>("passwordEdit")->setText(QString::fromUtf8(FtpTestServer::kPassword));
        QTest::keyClicks(Find<QLineEdit>("subfolderEdit"), subfolder);
    }
    void Start() { Find<QPushButton>("startButton")->click(); }
};

}  // namespace

TEST_F(FinishPageTest, OpensOnCompleteWithTheFtpFieldsOff) {
    EXPECT_EQ(Buttons(), kWizardFinish);
    EXPECT_EQ(Find<QPushButton>("finishButton")->text(), "Complete");
    EXPECT_TRUE(Launch()->isChecked());
    EXPECT_FALSE(Upload()->isChecked());
    EXPECT_TRUE(Upload()->isEnabled());
    EXPECT_TRUE(FtpControlsEnabled(false));
    EXPECT_TRUE(Find<QLineEdit>("serverEdit")->text().isEmpty());
    EXPECT_EQ(Find<QLineEdit>("passwordEdit")->echoMode(), QLineEdit::Password);
}

TEST_F(FinishPageTest, UploadBoxTakesTheWizardButtonsAndClearsLaunch) {
    Upload()->click();
    EXPECT_EQ(Buttons(), 0);
    // No Next on the last page: Complete stays in its place, greyed until the upload is over.
    EXPECT_TRUE(Find<QPushButton>("nextButton")->isHidden());
    EXPECT_FALSE(Find<QPushButton>("finishButton")->isHidden());
    EXPECT_FALSE(Find<QPushButton>("finishButton")->isEnabled());
    EXPECT_EQ(Find<QPushButton>("finishButton")->toolTip(), "Closes Galvane");
    EXPECT_FALSE(Launch()->isChecked());
    EXPECT_TRUE(FtpControlsEnabled(true));
    Upload()->click();
    EXPECT_EQ(Buttons(), kWizardFinish);
    EXPECT_EQ(Find<QPushButton>("finishButton")->text(), "Complete");
    EXPECT_FALSE(Launch()->isChecked());
    EXPECT_TRUE(FtpControlsEnabled(false));
}

TEST_F(FinishPageTest, CompleteOpensTheGalleryWhenAsked) {
    OpenedUrls opened;
    Press(WizardButton::Finish);
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    ASSERT_EQ(opened.urls.size(), 1u);
    EXPECT_EQ(opened.urls[0].toLocalFile().toStdString(), dest / "main.htm");
}

TEST_F(FinishPageTest, CompleteWithoutLaunchOpensNothing) {
    OpenedUrls opened;
    Launch()->click();
    Press(WizardButton::Finish);
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_TRUE(opened.urls.empty());
}

TEST_F(FinishPageTest, StartUploadsTheGalleryIntoANewSubfolder) {
    FtpTestServer server;
    ASSERT_TRUE(server.IsRunning());
    MessageBoxAnswerer boxes({QMessageBox::Yes});
    FillIn(server, "site");
    // While the run reports, the page keeps its FTP controls and the upload box off.
    std::vector<std::string> offWhileShown;
    QObject::connect(&sheet->m_finish.Host(), &UploadHost::StatusShown, [&](const QString& text) {
        if (FtpControlsEnabled(false) && !Upload()->isEnabled()) {
            offWhileShown.push_back(text.toStdString());
        }
    });
    Start();
    ASSERT_TRUE(WaitFor([&] { return !sheet->m_finish.IsWorking(); }));
    // The designed texts; the files' summary stands on its own line under the bar.
    EXPECT_EQ(Status(), "Disconnect");
    ASSERT_GE(offWhileShown.size(), 3u);
    EXPECT_EQ(offWhileShown.front(), "Connecting...");
    EXPECT_EQ(offWhileShown.back(), "Disconnect");
    for (const char* name : {"main.htm", "indexpage1.htm", "thn_a.jpg"}) {
        EXPECT_EQ(ReadFile(server.home() + "/site/" + name), std::string("content of ") + name);
    }
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "Can not found a subfolder. Want you create subfolder now?");
    EXPECT_EQ(boxes.seen()[0].caption, "Warning");
    EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Warning);
    EXPECT_EQ(Find<QProgressBar>("uploadProgress")->maximum(), 3);
    EXPECT_EQ(Find<QProgressBar>("uploadProgress")->value(), 3);
    EXPECT_TRUE(Upload()->isEnabled());
    EXPECT_TRUE(FtpControlsEnabled(true));
    EXPECT_EQ(Find<QLabel>("uploadSummary")->text(), "3 files sent, 0 unchanged, 0 failed");
    EXPECT_EQ(sheet->focusWidget(), Find<QPushButton>("startButton"));
    // The upload is over: Complete leaves the wizard, opening nothing since launch was cleared.
    EXPECT_EQ(Buttons(), kWizardFinish);
    EXPECT_EQ(Find<QPushButton>("finishButton")->text(), "Complete");
    OpenedUrls opened;
    Press(WizardButton::Finish);
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_TRUE(opened.urls.empty());
}

TEST_F(FinishPageTest, TheProgressBarTakesAnyFileCountAndAnEmptyFolderIsNoBusyBar) {
    auto* bar = Find<QProgressBar>("uploadProgress");
    sheet->m_finish.Host().SetProgressRange(70000);
    sheet->m_finish.Host().SetProgressPosition(69999);
    EXPECT_EQ(bar->maximum(), 70000);
    EXPECT_EQ(bar->value(), 69999);
    sheet->m_finish.Host().SetProgressRange(0);
    sheet->m_finish.Host().SetProgressPosition(0);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 1);
    EXPECT_EQ(bar->value(), 0);
}

TEST_F(FinishPageTest, DeclinedSubfolderSendsNothing) {
    FtpTestServer server;
    ASSERT_TRUE(server.IsRunning());
    MessageBoxAnswerer boxes({QMessageBox::No});
    FillIn(server, "site");
    Start();
    ASSERT_TRUE(WaitFor([&] { return !sheet->m_finish.IsWorking(); }));
    EXPECT_EQ(Status(), "Can not found a subfolder");
    EXPECT_FALSE(FileExists(server.home() + "/site"));
    EXPECT_TRUE(FtpControlsEnabled(true));
}

// Closing the wizard while a file hangs on the wire ends the upload and closes without waiting
// for the server.
TEST_F(FinishPageTest, CancelDuringAnUploadStopsItAndCloses) {
    FtpTestServerOptions options;
    options.stallOn = {"main.htm"};
    FtpTestServer server(options);
    ASSERT_TRUE(server.IsRunning());
    sheet->m_finish.Uploader().SetStallTimeout(std::chrono::seconds(600));
    FtpUploadSettings oneLogin;  // file after file: the files behind main.htm wait for it
    oneLogin.connections = 1;
    sheet->m_finish.Uploader().SetSettings(oneLogin);
    FillIn(server, "");
    Start();
    ASSERT_TRUE(WaitFor([&] { return Find<QProgressBar>("uploadProgress")->value() == 1; }));
    EXPECT_TRUE(sheet->m_finish.IsWorking());
    EXPECT_TRUE(Find<QPushButton>("cancelButton")->isEnabled());
    Press(WizardButton::Cancel);
    ASSERT_TRUE(WaitFor([&] { return !sheet->isVisible(); }, 10000));
    EXPECT_EQ(sheet->result(), QDialog::Rejected);
    EXPECT_FALSE(sheet->m_finish.IsWorking());
    EXPECT_FALSE(FileExists(server.home() + "/thn_a.jpg"));
}

// Skiffer hosts the upload as the page does: the same run shows the same lines, question and bar.
TEST_F(FinishPageTest, SkifferShowsTheSameRunAsThePage) {
    FtpTestServer pageServer;
    FtpTestServer skifferServer;
    ASSERT_TRUE(pageServer.IsRunning() && skifferServer.IsRunning());
    MessageBoxAnswerer boxes({QMessageBox::Yes, QMessageBox::Yes});
    std::vector<QString> pageLines;
    std::vector<QString> skifferLines;
    QObject::connect(&sheet->m_finish.Host(), &UploadHost::StatusShown,
                     [&](const QString& text) { pageLines.push_back(text); });
    FillIn(pageServer, "site");
    Start();
    ASSERT_TRUE(WaitFor([&] { return !sheet->m_finish.IsWorking(); }));

    CUploaderDialog skiffer;
    QObject::connect(&skiffer.Host(), &UploadHost::StatusShown,
                     [&](const QString& text) { skifferLines.push_back(text); });
    skiffer.findChild<QLineEdit*>("sourceFolderEdit")->setText(QString::fromStdString(dest.path()));
    skiffer.findChild<QLineEdit*>("serverEdit")->setText(QString::fromStdString(skifferServer.address()));
    skiffer.findChild<QLineEdit*>("loginEdit")->setText(FtpTestServer::kLogin);
    skiffer.findChild<QLineEdit*>("passwordEdit")->setText(QString::fromUtf8(FtpTestServer::kPassword));
    skiffer.findChild<QLineEdit*>("subfolderEdit")->setText("site");
    skiffer.show();
    skiffer.findChild<QPushButton*>("startButton")->click();
    ASSERT_TRUE(WaitFor([&] { return !skiffer.IsUploading(); }));

    EXPECT_GE(pageLines.size(), 6u);
    EXPECT_EQ(pageLines, skifferLines);
    EXPECT_EQ(Status(), skiffer.findChild<QLabel*>("statusText")->text());
    auto* pageBar = Find<QProgressBar>("uploadProgress");
    auto* skifferBar = skiffer.findChild<QProgressBar*>("progressBar");
    EXPECT_EQ(pageBar->maximum(), skifferBar->maximum());
    EXPECT_EQ(pageBar->value(), skifferBar->value());
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[0].text, boxes.seen()[1].text);
    EXPECT_EQ(boxes.seen()[0].caption, boxes.seen()[1].caption);
    EXPECT_EQ(boxes.seen()[0].icon, boxes.seen()[1].icon);
    EXPECT_EQ(ReadFile(skifferServer.home() + "/site/main.htm"), "content of main.htm");
}
