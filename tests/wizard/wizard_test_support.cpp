#include "tests/wizard/wizard_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QImage>
#include <QPainter>
#include <QTest>

#include "engine/program_info.h"
#include "tests/support/gallery_links.h"
#include "wizard/galvane_app.h"

MessageBoxAnswerer::MessageBoxAnswerer(std::vector<QMessageBox::StandardButton> answers)
    : m_answers(std::move(answers)) {
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
    m_timer.start(10);
}

void MessageBoxAnswerer::Poll() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box == nullptr || !box->isVisible()) {
            continue;
        }
        m_seen.push_back({box->text(), box->windowTitle(), box->icon(), box->standardButtons()});
        const std::size_t index = m_seen.size() - 1;
        const QMessageBox::StandardButton answer =
            index < m_answers.size() ? m_answers[index] : QMessageBox::Ok;
        if (QAbstractButton* button = box->button(answer)) {
            button->click();
        } else {
            box->reject();
        }
    }
}

OpenedUrls::OpenedUrls() {
    for (const char* scheme : {"file", "http", "https"}) {
        QDesktopServices::setUrlHandler(scheme, this, "Open");
    }
}

OpenedUrls::~OpenedUrls() {
    for (const char* scheme : {"file", "http", "https"}) {
        QDesktopServices::unsetUrlHandler(scheme);
    }
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    return QTest::qWaitFor(condition, timeoutMs);
}

void WriteJpeg(const std::string& path, int width, int height, const QColor& color) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::white, 3));
    painter.drawLine(0, 0, width, height);
    painter.end();
    ASSERT_TRUE(image.save(QString::fromStdString(path), "JPEG", 90)) << path;
}

std::vector<std::string> ThumbnailLinks(const std::string& pagePath) {
    std::vector<std::string> thumbnails;
    for (const std::string& link : LocalLinksOf(ReadFile(pagePath))) {
        if (link.rfind("thn_", 0) == 0) {
            thumbnails.push_back(link);
        }
    }
    return thumbnails;
}

WizardTest::WizardTest() : job(GetGalleryJob()) {
    GetGalvaneApp()->ResetJob();
    sheet = std::make_unique<CTrelliqSheet>();
}

WizardTest::~WizardTest() {
    sheet.reset();
}

void WizardTest::OpenAt(int index) {
    sheet->show();
    if (index != 0) {
        sheet->SetActivePage(index);
    }
}

std::string WizardTest::BundledStyle(const std::string& name) {
    return ProgramFolder() + "/###" + name;
}
