#include "wizard/logo_link.h"

#include <QMouseEvent>
#include <QPainter>

#include "engine/program_info.h"
#include "wizard/shell.h"

LogoLink::LogoLink(QWidget* parent) : QWidget(parent), m_logo(":/galvane/logo.png") {
    setObjectName("logoLink");
    setCursor(Qt::PointingHandCursor);
    setToolTip(kHomePage);
    setFixedSize(m_logo.size());
}

QSize LogoLink::sizeHint() const {
    return m_logo.size();
}

void LogoLink::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_logo);
}

void LogoLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        OpenAddress(kHomePage);
    }
}
