// Skiffer's dialog, driven on the offscreen platform against the local test FTP server.
#include "uploader/uploader_dialog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "tests/support/ftp_test_server.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace std::chrono_literals;

// One QApplication for the whole test program, on the offscreen platform.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        for (const char* name : {"ftp_proxy", "FTP_PROXY", "all_proxy", "ALL_PROXY"}) {
            ::unsetenv(name);
        }
        static int argc = 1;
        static char name[] = "uploader_tests";
        static char* argv[] = {name, nullptr};
        m_app = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<QApplication> m_app;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

class UploaderDialogTest : public ::testing::Test {
protected:
    // No test may open the real folder dialog: it would wait for a user.
    UploaderDialogTest() {
        dialog.SetFolderChooser([](QWidget*, const QString&) { return QString(); });
    }

    template <typename Widget = QWidget>
    Widget* Find(const char* name) {
        auto* widget = dialog.findChild<Widget*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString Text(const char* name) { return Find<QLineEdit>(name)->text(); }
    QString Status() { return Find<QLabel>("statusText")->text(); }
    void Type(const char* name, const QString& text) { QTest::keyClicks(Find<QLineEdit>(name), text); }
    bool WaitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 30000); }

    void FillFields(const FtpTestServer& server, const QString& subfolder) {
        Find<QLineEdit>("sourceFolderEdit")->setText(QString::fromStdString(local.path()));
        Type("serverEdit", QString::fromStdString(server.address()));
        Type("loginEdit", FtpTestServer::kLogin);
        Find<QLineEdit>("passwordEdit")->setText(QString::fromUtf8(FtpTestServer::kPassword));  // not ASCII
        Type("subfolderEdit", subfolder);
    }
    QPointer<QMessageBox> WaitForQuestion() {
        QPointer<QMessageBox> box;
        WaitFor([&] { return (box = dialog.findChild<QMessageBox*>("subfolderQuestion")) != nullptr; });
        return box;
    }
    // The controls that a run disables, and only those.
    std::vector<QWidget*> Inputs() {
        std::vector<QWidget*> inputs;
        for (const char* name :
             {"sourceFolderEdit", "browseButton", "serverEdit", "loginEdit", "passwordEdit", "subfolderEdit",
              "serverLabel", "loginLabel", "subfolderLabel", "passwordLabel", "progressBar"}) {
            inputs.push_back(Find(name));
        }
        return inputs;
    }

    struct SeenBox {
        QString text;
        QString caption;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };
    // Answers the next modal box with Ok; what it showed is in the result once the box has closed.
    SeenBox& AnswerNextBox() {
        m_seen = {};
        QTimer::singleShot(0, [this] { AnswerBox(); });
        return m_seen;
    }
    QString Summary() { return Find<QLabel>("uploadSummary")->text(); }

    TempFolder local;
    CUploaderDialog dialog;

private:
    void AnswerBox() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            QTimer::singleShot(10, [this] { AnswerBox(); });
            return;
        }
        m_seen = {box->text(), box->windowTitle(), box->icon()};
        box->button(QMessageBox::Ok)->click();
    }
    SeenBox m_seen;
};

TEST_F(UploaderDialogTest, OpensWithItsControlsTextsAndDefaults) {
    EXPECT_EQ(dialog.windowTitle(), "Skiffer");
    EXPECT_FALSE(dialog.windowIcon().isNull());
    EXPECT_FALSE(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(Find<QLabel>("sourcePrompt")->text(),
              "Choise  a source folder for transfer files from this folder to FTP folder");
    // The designed label, with the schemes the field also takes.
    EXPECT_EQ(Find<QLabel>("serverLabel")->text(), "FTP server ftp:// ftps:// sftp://");
    EXPECT_EQ(Find<QLabel>("loginLabel")->text(), "Login:");
    EXPECT_EQ(Find<QLabel>("subfolderLabel")->text(), "FTP subfolder:");
    EXPECT_EQ(Find<QLabel>("passwordLabel")->text(), "Password:");
    EXPECT_EQ(Find<QPushButton>("browseButton")->text(), "Browse");
    EXPECT_EQ(Find<QPushButton>("startButton")->text(), "Start");
    EXPECT_EQ(Find<QPushButton>("closeButton")->text(), "Close");
    EXPECT_EQ(Find<QAction>("aboutAction")->text(), "&About Skiffer...");
    for (const char* edit :
         {"sourceFolderEdit", "serverEdit", "loginEdit", "subfolderEdit", "passwordEdit"}) {
        EXPECT_TRUE(Text(edit).isEmpty()) << edit;
    }
    EXPECT_EQ(Find<QLineEdit>("passwordEdit")->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(Status().isEmpty());
    EXPECT_EQ(Find<QLabel>("statusText")->textFormat(), Qt::PlainText);  // a file named "<b>" stays text
    EXPECT_EQ(Find<QProgressBar>("progressBar")->minimum(), 0);
    EXPECT_EQ(Find<QProgressBar>("progressBar")->maximum(), 100);
    EXPECT_EQ(Find<QProgressBar>("progressBar")->value(), 0);
    for (QWidget* input : Inputs()) {
        EXPECT_TRUE(input->isEnabled()) << input->objectName().toStdString();
    }
}

TEST_F(UploaderDialogTest, BrowseFillsTheSourceAndKeepsTheTypedFields) {
    QString askedTitle;
    QString chosen = "/photos/summer";
    dialog.SetFolderChooser([&](QWidget* parent, const QString& title) {
        EXPECT_EQ(parent, &dialog);
        askedTitle = title;
        return chosen;
    });
    Type("serverEdit", "ftp.example.com");
    Type("loginEdit", "me");
    Type("passwordEdit", "secret");
    Type("subfolderEdit", "www");

    QTest::mouseClick(Find<QPushButton>("browseButton"), Qt::LeftButton);

    EXPECT_EQ(askedTitle, "Choice source folder which you will upload to your FTP site.");
    EXPECT_EQ(Text("sourceFolderEdit"), "/photos/summer");
    EXPECT_EQ(Text("serverEdit"), "ftp.example.com");
    EXPECT_EQ(Text("loginEdit"), "me");
    EXPECT_EQ(Text("passwordEdit"), "secret");
    EXPECT_EQ(Text("subfolderEdit"), "www");

    chosen.clear();  // cancelled: nothing changes
    QTest::mouseClick(Find<QPushButton>("browseButton"), Qt::LeftButton);
    EXPECT_EQ(Text("sourceFolderEdit"), "/photos/summer");
}

TEST_F(UploaderDialogTest, EnterInAFieldClosesTheDialogAsCloseDoes) {
    dialog.show();
    auto* server = Find<QLineEdit>("serverEdit");
    server->setFocus();
    QTest::keyClicks(server, "ftp.example.com");

    QTest::keyClick(server, Qt::Key_Return);

    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(UploaderDialogTest, TheAboutEntryOpensAnAboutBox) {
    dialog.show();
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        shown = box != nullptr && box->text().contains("Skiffer");
        if (box) {
            box->accept();
        }
    });
    Find<QAction>("aboutAction")->trigger();
    EXPECT_TRUE(shown);
}

// Start with a field an upload needs left empty says which one in a "Warning" box, puts the cursor
// there, and sends nothing.
TEST_F(UploaderDialogTest, StartWithAMissingFieldSaysWhichOne) {
    FtpTestServer server;
    ASSERT_TRUE(server.IsRunning());
    dialog.show();
    struct Case {
        const char* emptied;
        QString text;
    };
    for (const Case& c :
         {Case{"sourceFolderEdit", "The source folder is missing. Choose the folder to upload with Browse."},
          Case{"serverEdit",
               "The FTP server is missing. Type the server's name, for example ftp.example.com "
               "or sftp://example.com."}}) {
        SCOPED_TRACE(c.emptied);
        Find<QLineEdit>("sourceFolderEdit")->clear();
        Find<QLineEdit>("serverEdit")->clear();
        FillFields(server, "");
        Find<QLineEdit>(c.emptied)->setText("  ");
        const SeenBox& seen = AnswerNextBox();
        QTest::mouseClick(Find<QPushButton>("startButton"), Qt::LeftButton);
        EXPECT_EQ(seen.text, c.text);
        EXPECT_EQ(seen.caption, "Warning");
        EXPECT_EQ(seen.icon, QMessageBox::Warning);
        EXPECT_EQ(dialog.focusWidget(), Find(c.emptied));
        EXPECT_FALSE(dialog.IsUploading());
        EXPECT_TRUE(Status().isEmpty());
    }
    EXPECT_TRUE(server.Commands().empty());
}

TEST_F(UploaderDialogTest, ARunDisablesStartAndTheInputsAndEndsWithDisconnectAndAFullBar) {
    FtpTestServer server;
    ASSERT_TRUE(server.IsRunning());
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
        local.Write(name, name);
    }
    FillFields(server, "gallery");
    dialog.show();

    QTest::mouseClick(Find<QPushButton>("startButton"), Qt::LeftButton);

    // The run waits at the question: a second Start is impossible, the fields cannot change.
    QPointer<QMessageBox> question = WaitForQuestion();
    ASSERT_TRUE(question);
    EXPECT_EQ(question->text(), "Can not found a subfolder. Want you create subfolder now?");
    EXPECT_EQ(question->windowTitle(), "Warning");
    EXPECT_EQ(question->icon(), QMessageBox::Warning);
    EXPECT_FALSE(Find("startButton")->isEnabled());
    for (QWidget* input : Inputs()) {
        EXPECT_FALSE(input->isEnabled()) << input->objectName().toStdString();
    }
    EXPECT_TRUE(Find("closeButton")->isEnabled());
    QTest::mouseClick(Find<QPushButton>("startButton"), Qt::LeftButton);
    QTest::mouseClick(question->button(QMessageBox::Yes), Qt::LeftButton);

    ASSERT_TRUE(WaitFor([&] { return !dialog.IsUploading(); }));
    EXPECT_EQ(Status(), "Disconnect");
    EXPECT_EQ(Summary(), "3 files sent, 0 unchanged, 0 failed");
    EXPECT_EQ(Find<QProgressBar>("progressBar")->maximum(), 3);
    EXPECT_EQ(Find<QProgressBar>("progressBar")->value(), 3);
    EXPECT_TRUE(Find("startButton")->isEnabled());
    for (QWidget* input : Inputs()) {
        EXPECT_TRUE(input->isEnabled()) << input->objectName().toStdString();
    }
    EXPECT_EQ(Text("serverEdit").toStdString(), server.address());
    EXPECT_EQ(Text("subfolderEdit"), "gallery");
    EXPECT_EQ(ReadFile(server.home() + "/gallery/c.jpg"), "c.jpg");
    EXPECT_EQ(server.Commands().front(), std::string("USER ") + FtpTestServer::kLogin);  // one run only

    // The fields still hold their values: Start simply runs again, now without a question.
    local.Write("d.jpg", "d.jpg");
    QTest::mouseClick(Find<QPushButton>("startButton"), Qt::LeftButton);
    ASSERT_TRUE(
        WaitFor([&] { return !dialog.IsUploading() && Find<QProgressBar>("progressBar")->maximum() == 4; }));
    EXPECT_EQ(Status(), "Disconnect");
    EXPECT_EQ(Summary(), "1 file sent, 3 unchanged, 0 failed");
    EXPECT_EQ(ReadFile(server.home() + "/gallery/d.jpg"), "d.jpg");
}

// Each run ends with one line after the designed ones that says what it did, against a real server:
// files sent, held unchanged and refused; then nothing left to send; then a refused login, whose bar
// starts empty again and whose reason stays in view.
TEST_F(UploaderDialogTest, EachRunEndsWithALineThatSumsItUp) {
    FtpTestServerOptions options;
    options.refuse = {"bad.jpg"};
    FtpTestServer server(options);
    ASSERT_TRUE(server.IsRunning());
    for (const char* name : {"a.jpg", "b.jpg", "bad.jpg"}) {
        local.Write(name, name);
    }
    FillFields(server, "");
    dialog.show();
    const auto run = [&] {
        QTest::mouseClick(Find<QPushButton>("startButton"), Qt::LeftButton);
        EXPECT_TRUE(Summary().isEmpty());  // no line of the last run while this one works
        return WaitFor([&] { return !dialog.IsUploading(); });
    };
    ASSERT_TRUE(run());
    EXPECT_EQ(Status(), "Disconnect");
    EXPECT_EQ(Summary(), "2 files sent, 0 unchanged, 1 failed");

    ASSERT_TRUE(run());
    EXPECT_EQ(Summary(), "0 files sent, 2 unchanged, 1 failed");

    std::filesystem::remove(local / "bad.jpg");
    ASSERT_TRUE(run());
    EXPECT_EQ(Status(), "Disconnect");
    EXPECT_EQ(Summary(), "Nothing to send: the server is up to date");
    auto* bar = Find<QProgressBar>("progressBar");
    EXPECT_EQ(bar->value(), bar->maximum());

    Find<QLineEdit>("passwordEdit")->setText("wrong");
    ASSERT_TRUE(run());
    EXPECT_TRUE(Status().startsWith("Terminate of connection ...\n")) << Status().toStdString();
    EXPECT_GT(Status().size(), QString("Terminate of connection ...\n").size());
    EXPECT_EQ(Summary(), "Upload not finished: nothing was sent");
    EXPECT_EQ(bar->value(), 0);
    // The focus is back on Start, not on Close, where it went while Start was disabled.
    EXPECT_EQ(dialog.focusWidget(), Find("startButton"));
}

// A connection lost on one file is made again: that file fails alone, the rest goes, and the line
// under the status says so.
TEST_F(UploaderDialogTest, AConnectionLostOnOneFileFailsThatFileAloneAndTheRunGoesOn) {
    FtpTestServerOptions options;
    options.dropOn = {"c.jpg"};
    FtpTestServer server(options);
    ASSERT_TRUE(server.IsRunning());
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) {
        local.Write(name, name);
    }
    FillFields(server, "");
    QTest::mouseClick(Find<QPushButton>("startButton"), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return !dialog.IsUploading(); }));
    auto* bar = Find<QProgressBar>("progressBar");
    EXPECT_EQ(bar->maximum(), 4);
    EXPECT_EQ(bar->value(), 4);
    EXPECT_EQ(Status(), "Disconnect");
    EXPECT_EQ(Summary(), "3 files sent, 0 unchanged, 1 failed");
    EXPECT_EQ(ReadFile(server.home() + "/d.jpg"), "d.jpg");
}

// A server gone for good in the middle (the upload tries to connect again, then gives up) leaves
// the bar where the run was and says that the upload did not finish.
TEST_F(UploaderDialogTest, AServerGoneForGoodLeavesTheBarWhereTheRunStopped) {
    FtpTestServer server;
    ASSERT_TRUE(server.IsRunning());
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg"}) {
        local.Write(name, name);
    }
    FillFields(server, "");
    // The reporting login waits while the window shows a status text: the server is gone before it
    // takes another file (others may finish the ones they hold).
    QObject::connect(&dialog.Host(), &UploadHost::StatusShown, [&](const QString& text) {
        if (text == "Transfered 2 file(s) to 6") {
            server.Stop();
        }
    });
    QTest::mouseClick(Find<QPushButton>("startButton"), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return !dialog.IsUploading(); }));
    auto* bar = Find<QProgressBar>("progressBar");
    EXPECT_EQ(bar->maximum(), 6);
    EXPECT_GE(bar->value(), 2);
    EXPECT_LT(bar->value(), 6);
    EXPECT_TRUE(Summary().startsWith("Upload not finished: ")) << Summary().toStdString();
}

TEST_F(UploaderDialogTest, AnEmptyFolderLeavesAnEmptyBarRatherThanABusyOne) {
    FtpTestServer server;
    ASSERT_TRUE(server.IsRunning());
    FillFields(server, "");

    QTest::mouseClick(Find<QPushButton>("startButton"), Qt::LeftButton);

    ASSERT_TRUE(WaitFor([&] { return Status() == "Disconnect" && !dialog.IsUploading(); }));
    auto* bar = Find<QProgressBar>("progressBar");
    EXPECT_GT(bar->maximum(), bar->minimum());
    EXPECT_EQ(bar->value(), 0);
}

// Closing aborts the upload and returns at once, serving no event meanwhile; the dialog goes when
// the upload reports its end.
TEST_F(UploaderDialogTest, ClosingDuringAStalledUploadReturnsAtOnceAndClosesAtTheUploadsEnd) {
    FtpTestServerOptions stallOnSecond;
    stallOnSecond.stallOn = {"b.jpg"};
    FtpTestServer server(stallOnSecond);
    ASSERT_TRUE(server.IsRunning());
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
        local.Write(name, name);
    }
    FillFields(server, "");
    dialog.Uploader().SetStallTimeout(600s);  // only the abort can end the run in time
    FtpUploadSettings oneLogin;               // file after file: c.jpg waits behind the stalled b.jpg
    oneLogin.connections = 1;
    dialog.Uploader().SetSettings(oneLogin);
    dialog.show();
    QTest::mouseClick(Find<QPushButton>("startButton"), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return Status() == "Transfered 1 file(s) to 3"; }));
    bool eventServed = false;
    QTimer::singleShot(0, [&] { eventServed = true; });

    dialog.close();

    EXPECT_FALSE(eventServed);  // no event loop ran inside close()
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.IsUploading());
    ASSERT_TRUE(WaitFor([&] { return !dialog.isVisible(); }));
    EXPECT_FALSE(dialog.IsUploading());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(Status(), "Transfered 1 file(s) to 3");  // nothing touched the window after the abort
    EXPECT_FALSE(FileExists(server.home() + "/c.jpg"));
}

TEST_F(UploaderDialogTest, ClosingWhileTheQuestionIsOpenAnswersNoAndEnds) {
    FtpTestServer server;
    ASSERT_TRUE(server.IsRunning());
    local.Write("a.jpg", "a");
    FillFields(server, "gallery");
    dialog.show();
    QTest::mouseClick(Find<QPushButton>("startButton"), Qt::LeftButton);
    ASSERT_TRUE(WaitForQuestion());

    dialog.reject();

    EXPECT_FALSE(dialog.findChild<QMessageBox*>("subfolderQuestion") &&
                 dialog.findChild<QMessageBox*>("subfolderQuestion")->isVisible());
    ASSERT_TRUE(WaitFor([&] { return !dialog.isVisible(); }));
    EXPECT_FALSE(dialog.IsUploading());
    EXPECT_FALSE(std::filesystem::exists(server.home() + "/gallery"));
}

}  // namespace
