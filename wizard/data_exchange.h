#pragma once

#include <QString>
#include <initializer_list>
#include <string>

class QAbstractButton;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

// Moves page data between members and controls. Reading validates: the first refused field shows the
// standard message in a box captioned with the program name, gets the focus, and every exchange after
// it in the same pass does nothing.
class DataExchange {
public:
    DataExchange(QWidget* owner, bool saveAndValidate)
        : m_owner(owner), m_bSaveAndValidate(saveAndValidate) {}

    bool Reading() const { return m_bSaveAndValidate; }
    // Reading, and nothing was refused so far.
    bool ReadingOn() const { return m_bSaveAndValidate && !m_failed; }
    bool Failed() const { return m_failed; }
    void Fail(QWidget* field, const QString& message);

private:
    QWidget* m_owner;
    bool m_bSaveAndValidate;
    bool m_failed = false;
};

void ExchangeText(DataExchange& dx, QLineEdit* edit, std::string& value);
void ExchangeText(DataExchange& dx, QPlainTextEdit* edit, std::string& value);
void ExchangeText(DataExchange& dx, QLabel* label, std::string& value);
// An unsigned decimal number, blanks and tabs around it allowed.
void ExchangeUnsigned(DataExchange& dx, QLineEdit* edit, unsigned& value);
void ExchangeCheck(DataExchange& dx, QAbstractButton* box, int& value);
// The index of the checked button among `buttons`; -1 when none is.
void ExchangeRadio(DataExchange& dx, std::initializer_list<QAbstractButton*> buttons, int& value);

void ValidateMaxChars(DataExchange& dx, QWidget* field, const std::string& value, int maxChars);
void ValidateRange(DataExchange& dx, QWidget* field, unsigned value, unsigned minValue, unsigned maxValue);

// Parses what ExchangeUnsigned accepts. Values that do not fit a job's signed 32-bit field are
// refused as well.
bool ParseUnsigned(const std::string& text, unsigned& value);

// The standard messages.
QString PositiveIntegerMessage();
QString RangeMessage(unsigned minValue, unsigned maxValue);
QString MaxCharsMessage(int maxChars);
