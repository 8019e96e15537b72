#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include "tests/wizard/wizard_test_support.h"

namespace {

class TitlesPageTest : public WizardTest {
protected:
    TitlesPageTest() { OpenAt(CTrelliqSheet::kTitles); }
    QLineEdit* Title() { return Find<QLineEdit>("titleEdit"); }
    QLineEdit* Name() { return Find<QLineEdit>("nameEdit"); }
    QPlainTextEdit* Commentary() { return Find<QPlainTextEdit>("commentaryEdit"); }
};

}  // namespace

TEST_F(TitlesPageTest, FirstVisitGivesTheJobTheDefaults) {
    EXPECT_EQ(job.m_strTitle, "Gallery");
    EXPECT_EQ(job.m_strName, "Image gallery");
    EXPECT_EQ(job.m_strCommentary, "This my image gallery for you and your friends.");
    EXPECT_EQ(Title()->text(), "Gallery");
    EXPECT_EQ(Commentary()->toPlainText(), "This my image gallery for you and your friends.");
    Press(WizardButton::Next);
    EXPECT_EQ(sheet->GetActiveIndex(), CTrelliqSheet::kColors);
    EXPECT_EQ(job.m_strName, "Image gallery");
}

TEST_F(TitlesPageTest, EmptyTextsAreStoredWithoutAMessage) {
    MessageBoxAnswerer boxes;
    Title()->clear();
    Name()->clear();
    Commentary()->clear();
    EXPECT_EQ(job.m_strTitle, "Gallery");  // typing alone does not reach the job
    Press(WizardButton::Next);
    EXPECT_EQ(sheet->GetActiveIndex(), CTrelliqSheet::kColors);
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_EQ(job.m_strTitle, "");
    EXPECT_EQ(job.m_strName, "");
    EXPECT_EQ(job.m_strCommentary, "");
}

TEST_F(TitlesPageTest, FieldsStopAtTheirLimits) {
    Title()->clear();
    QTest::keyClicks(Title(), QString(130, 'a'));
    EXPECT_EQ(Title()->text().size(), 128);
    Name()->clear();
    Name()->insert(QString(300, 'b'));
    EXPECT_EQ(Name()->text().size(), 256);

    Commentary()->setPlainText(QString(1020, 'c'));
    QTextCursor cursor = Commentary()->textCursor();
    cursor.setPosition(10);
    Commentary()->setTextCursor(cursor);
    Commentary()->insertPlainText("0123456789");
    EXPECT_EQ(Commentary()->toPlainText(), QString(10, 'c') + "0123" + QString(1010, 'c'));
    Press(WizardButton::Next);
    EXPECT_EQ(job.m_strTitle, std::string(128, 'a'));
    EXPECT_EQ(job.m_strCommentary.size(), 1024u);
}

TEST_F(TitlesPageTest, EnterInTheCommentaryGoesOnAndCtrlEnterBreaksTheLine) {
    Commentary()->setPlainText("first");
    Commentary()->moveCursor(QTextCursor::End);
    QTest::keyClick(Commentary(), Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClicks(Commentary(), "second");
    EXPECT_EQ(sheet->GetActiveIndex(), CTrelliqSheet::kTitles);
    QTest::keyClick(Commentary(), Qt::Key_Return);
    EXPECT_EQ(sheet->GetActiveIndex(), CTrelliqSheet::kColors);
    EXPECT_EQ(job.m_strCommentary, "first\nsecond");
}

TEST_F(TitlesPageTest, TextsSurviveGoingBackAndForth) {
    Title()->setText("Summer");
    sheet->SetWizardButtons(kWizardBack | kWizardNext);  // as the addresses page leaves them
    Press(WizardButton::Back);
    EXPECT_EQ(sheet->GetActiveIndex(), CTrelliqSheet::kAddresses);
    EXPECT_EQ(job.m_strTitle, "Summer");
    Title()->setText("changed while away");
    // Entering the page again shows the job's texts.
    sheet->SetActivePage(CTrelliqSheet::kTitles);
    EXPECT_EQ(Title()->text(), "Summer");
}
