#include "wizard/data_exchange.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QVBoxLayout>

#include "tests/wizard/wizard_test_support.h"

TEST(ParseUnsigned, AcceptsDigitsWithBlanksAndTabsAround) {
    unsigned value = 7;
    EXPECT_TRUE(ParseUnsigned("120", value));
    EXPECT_EQ(value, 120u);
    EXPECT_TRUE(ParseUnsigned(" \t 0 \t", value));
    EXPECT_EQ(value, 0u);
    EXPECT_TRUE(ParseUnsigned("2147483647", value));
    EXPECT_EQ(value, 2147483647u);
}

TEST(ParseUnsigned, RefusesEverythingElseAndLeavesTheValue) {
    for (const char* text :
         {"", "   ", "-5", "+5", "1 2", "12px", "0x10", "1.5", "2147483648", "99999999999999999999"}) {
        unsigned value = 7;
        EXPECT_FALSE(ParseUnsigned(text, value)) << text;
        EXPECT_EQ(value, 7u) << text;
    }
}

namespace {

// Three number fields, the second of them limited to 0..100.
struct Form : QWidget {
    Form() {
        auto* layout = new QVBoxLayout(this);
        for (QLineEdit* edit : {&a, &b, &c}) {
            layout->addWidget(edit);
        }
        show();
        activateWindow();
    }
    bool Read() {
        DataExchange dx(this, true);
        ExchangeUnsigned(dx, &a, va);
        ExchangeUnsigned(dx, &b, vb);
        ValidateRange(dx, &b, vb, 0, 100);
        ExchangeUnsigned(dx, &c, vc);
        return !dx.Failed();
    }
    QLineEdit a, b, c;
    unsigned va = 1, vb = 2, vc = 3;
};

}  // namespace

TEST(DataExchange, FirstRefusedFieldShowsTheMessageTakesFocusAndStopsTheReading) {
    Form form;
    form.a.setText("5");
    form.b.setText("-1");
    form.c.setText("9");
    MessageBoxAnswerer boxes;
    EXPECT_FALSE(form.Read());
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "Please enter a positive integer.");
    EXPECT_EQ(boxes.seen()[0].caption, "Galvane");
    EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Warning);
    EXPECT_EQ(form.va, 5u);
    EXPECT_EQ(form.vc, 3u);  // never read
    EXPECT_EQ(form.focusWidget(), &form.b);
}

TEST(DataExchange, RangeAndLengthMessagesNameTheirLimits) {
    Form form;
    form.a.setText("5");
    form.b.setText("101");
    form.c.setText("9");
    MessageBoxAnswerer boxes;
    EXPECT_FALSE(form.Read());
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "Please enter an integer between 0 and 100.");

    DataExchange dx(&form, true);
    ValidateMaxChars(dx, &form.a, std::string(129, 'x'), 128);
    EXPECT_TRUE(dx.Failed());
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[1].text, "Please enter no more than 128 characters.");
    EXPECT_EQ(boxes.seen()[1].caption, "Galvane");
}

TEST(DataExchange, WritingFillsTheFieldsAndAnAcceptedReadTakesThemBack) {
    Form form;
    DataExchange write(&form, false);
    ExchangeUnsigned(write, &form.a, form.va);
    EXPECT_EQ(form.a.text(), "1");
    form.a.setText(" 42\t");
    form.b.setText("100");
    form.c.setText("0");
    EXPECT_TRUE(form.Read());
    EXPECT_EQ(form.va, 42u);
    EXPECT_EQ(form.vb, 100u);
    EXPECT_EQ(form.vc, 0u);
}
