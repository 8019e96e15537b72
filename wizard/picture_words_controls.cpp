#include "wizard/picture_words_controls.h"

#include <QLabel>
#include <QPushButton>

#include "engine/picture_order.h"
#include "engine/picture_words.h"

namespace {

// A caption may hold up to 2,000 characters: the label shows its start, the tool tip all of it.
constexpr int kShownCharacters = 300;

}  // namespace

PictureWordsControls::PictureWordsControls(QWidget* page)
    : m_sortButton(new QPushButton("Sort by Date", page)), m_caption(new QLabel(page)) {
    m_sortButton->setObjectName("sortByDateButton");
    m_caption->setObjectName("previewCaption");
    // Captions come from files made elsewhere: never read as rich text.
    m_caption->setTextFormat(Qt::PlainText);
    m_caption->setWordWrap(true);
    m_caption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_caption->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void PictureWordsControls::ShowCaptionOf(const std::string& path) {
    const PictureWords words = ReadPictureWords(path, &m_metadata);
    QString text = QString::fromStdString(words.caption);
    if (!words.title.empty()) {
        const QString title = QString::fromStdString(words.title);
        text = text.isEmpty() ? title : title + QStringLiteral(" \u2013 ") + text;
    }
    m_caption->setToolTip(text.size() > kShownCharacters ? text.toHtmlEscaped() : QString());
    if (text.size() > kShownCharacters) {
        text = text.left(kShownCharacters).trimmed() + QStringLiteral("\u2026");
    }
    m_caption->setText(text);
}

void PictureWordsControls::SortByDate(ImageList& images) {
    SortByDateTaken(images, &m_metadata);
}
