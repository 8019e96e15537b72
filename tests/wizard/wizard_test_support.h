#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"
#include "wizard/galvane_app.h"
#include "wizard/trelliq_sheet.h"

// A message box as the user saw it.
struct SeenBox {
    QString text;
    QString caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Answers every QMessageBox that opens while it lives, by clicking the next of `answers` (Ok once
// they run out), and records what each box showed.
class MessageBoxAnswerer {
public:
    explicit MessageBoxAnswerer(std::vector<QMessageBox::StandardButton> answers = {});
    const std::vector<SeenBox>& seen() const { return m_seen; }

private:
    void Poll();

    std::vector<QMessageBox::StandardButton> m_answers;
    std::vector<SeenBox> m_seen;
    QTimer m_timer;
};

// Catches what the program asks the desktop to open (files and web addresses) while it lives.
class OpenedUrls : public QObject {
    Q_OBJECT

public:
    OpenedUrls();
    ~OpenedUrls() override;
    std::vector<QUrl> urls;

public slots:
    void Open(const QUrl& url) { urls.push_back(url); }
};

// Serves events until `condition` holds or `timeoutMs` has passed; returns the condition.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 30000);

// Writes a JPEG picture of the given size, filled with `color` and a diagonal stripe.
void WriteJpeg(const std::string& path, int width, int height, const QColor& color);

// The links of a page that name thumbnails ("thn_..."), in page order.
std::vector<std::string> ThumbnailLinks(const std::string& pagePath);

// Base of the page tests: a fresh job and a shown wizard on the real pages.
class WizardTest : public ::testing::Test {
protected:
    WizardTest();
    ~WizardTest() override;

    // Shows the wizard and moves it straight to page `index` (each page on the way is not entered).
    void OpenAt(int index);
    void Press(WizardButton button) { sheet->PressButton(button); }
    int Buttons() const { return sheet->GetWizardButtons(); }
    template <typename T>
    T* Find(const char* name) const {
        return sheet->findChild<T*>(name);
    }
    // The bundled style folder of that display name, beside the test program.
    static std::string BundledStyle(const std::string& name);

    GalleryJob& job;
    TempFolder source;
    TempFolder dest;
    std::unique_ptr<CTrelliqSheet> sheet;
};
