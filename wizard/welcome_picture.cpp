#include "wizard/welcome_picture.h"

#include <QPainter>

#include "engine/program_info.h"

WelcomePicture::WelcomePicture(QWidget* parent) : QWidget(parent), m_picture(":/galvane/welcome.png") {
    setObjectName("welcomePicture");
    setFixedSize(m_picture.size());
}

QSize WelcomePicture::sizeHint() const {
    return m_picture.size();
}

QString WelcomePicture::VersionText() {
    return QString::asprintf("version %.2f  ", kProgramVersion);
}

void WelcomePicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
    QFont font("Arial");
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(rect(), Qt::AlignRight | Qt::AlignBottom | Qt::TextSingleLine, VersionText());
}
