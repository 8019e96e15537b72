#include "wizard/data_exchange.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <cstdint>

#include "engine/program_info.h"
#include "wizard/message_box.h"

void DataExchange::Fail(QWidget* field, const QString& message) {
    m_failed = true;
    ShowMessageBox(m_owner, message.toStdString(), kProgramName, QMessageBox::Warning);
    if (field != nullptr) {
        field->setFocus(Qt::OtherFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(field)) {
            edit->selectAll();
        }
    }
}

QString PositiveIntegerMessage() {
    return "Please enter a positive integer.";
}

QString RangeMessage(unsigned minValue, unsigned maxValue) {
    return QString("Please enter an integer between %1 and %2.").arg(minValue).arg(maxValue);
}

QString MaxCharsMessage(int maxChars) {
    return QString("Please enter no more than %1 characters.").arg(maxChars);
}

bool ParseUnsigned(const std::string& text, unsigned& value) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && blank(text[begin])) {
        ++begin;
    }
    while (end > begin && blank(text[end - 1])) {
        --end;
    }
    if (begin == end) {
        return false;
    }
    std::uint64_t number = 0;
    for (std::size_t i = begin; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        number = number * 10 + static_cast<unsigned>(text[i] - '0');
        // The job keeps sizes in signed 32-bit fields: a larger value would turn negative there.
        if (number > INT32_MAX) {
            return false;
        }
    }
    value = static_cast<unsigned>(number);
    return true;
}

void ExchangeText(DataExchange& dx, QLineEdit* edit, std::string& value) {
    if (dx.Failed()) {
        return;
    }
    if (dx.Reading()) {
        value = edit->text().toStdString();
        return;
    }
    // Writing the same text again would move the caret of a field the user is typing in.
    const QString text = QString::fromStdString(value);
    if (edit->text() != text) {
        edit->setText(text);
    }
}

void ExchangeText(DataExchange& dx, QPlainTextEdit* edit, std::string& value) {
    if (dx.Failed()) {
        return;
    }
    if (dx.Reading()) {
        value = edit->toPlainText().toStdString();
        return;
    }
    const QString text = QString::fromStdString(value);
    if (edit->toPlainText() != text) {
        edit->setPlainText(text);
    }
}

void ExchangeText(DataExchange& dx, QLabel* label, std::string& value) {
    if (dx.Failed()) {
        return;
    }
    if (dx.Reading()) {
        value = label->text().toStdString();
    } else {
        label->setText(QString::fromStdString(value));
    }
}

void ExchangeUnsigned(DataExchange& dx, QLineEdit* edit, unsigned& value) {
    if (dx.Failed()) {
        return;
    }
    if (!dx.Reading()) {
        const QString text = QString::number(value);
        if (edit->text() != text) {
            edit->setText(text);
        }
        return;
    }
    unsigned parsed = 0;
    if (!ParseUnsigned(edit->text().toStdString(), parsed)) {
        dx.Fail(edit, PositiveIntegerMessage());
        return;
    }
    value = parsed;
}

void ExchangeCheck(DataExchange& dx, QAbstractButton* box, int& value) {
    if (dx.Failed()) {
        return;
    }
    if (dx.Reading()) {
        value = box->isChecked() ? 1 : 0;
    } else {
        box->setChecked(value != 0);
    }
}

void ExchangeRadio(DataExchange& dx, std::initializer_list<QAbstractButton*> buttons, int& value) {
    if (dx.Failed()) {
        return;
    }
    int index = 0;
    if (dx.Reading()) {
        value = -1;
        for (QAbstractButton* button : buttons) {
            if (button->isChecked()) {
                value = index;
            }
            ++index;
        }
        return;
    }
    for (QAbstractButton* button : buttons) {
        button->setChecked(index == value);
        ++index;
    }
}

void ValidateMaxChars(DataExchange& dx, QWidget* field, const std::string& value, int maxChars) {
    if (dx.ReadingOn() && QString::fromStdString(value).size() > maxChars) {
        dx.Fail(field, MaxCharsMessage(maxChars));
    }
}

void ValidateRange(DataExchange& dx, QWidget* field, unsigned value, unsigned minValue, unsigned maxValue) {
    if (dx.ReadingOn() && (value < minValue || value > maxValue)) {
        dx.Fail(field, RangeMessage(minValue, maxValue));
    }
}
