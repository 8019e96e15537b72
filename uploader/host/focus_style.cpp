#include "uploader/host/focus_style.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QPainter>
#include <QPen>
#include <QStyleFactory>
#include <QStyleOption>

namespace {

void DrawFocusFrame(QPainter* painter, const QRect& rect) {
    painter->save();
    QPen pen(FocusStyle::FocusColour(), 2, Qt::DashLine);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(1, 1, -1, -1));
    painter->restore();
}

bool HasFocus(const QStyleOption* option) {
    return option != nullptr && (option->state & QStyle::State_HasFocus);
}

}  // namespace

// Fusion on every desktop, so that the frame is drawn on the same controls everywhere.
FocusStyle::FocusStyle() : QProxyStyle(QStyleFactory::create("Fusion")) {}

void FocusStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const {
    switch (element) {
        case PE_FrameFocusRect:
            // Item views draw this on their current row: the list's own frame shows the focus there.
            if (qobject_cast<const QAbstractItemView*>(widget) == nullptr) {
                DrawFocusFrame(painter, option->rect);
            }
            return;
        case PE_FrameLineEdit:
        case PE_Frame:
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            if (HasFocus(option)) {
                DrawFocusFrame(painter, option->rect);
            }
            return;
        default:
            QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
}

void FocusStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const {
    QProxyStyle::drawControl(element, option, painter, widget);
    if (element == CE_PushButton && HasFocus(option)) {
        DrawFocusFrame(painter, option->rect.adjusted(2, 2, -2, -2));
    }
    if (element == CE_ShapedFrame && HasFocus(option) && qobject_cast<const QAbstractItemView*>(widget)) {
        DrawFocusFrame(painter, option->rect);
    }
}

void FocusStyle::polish(QWidget* widget) {
    QProxyStyle::polish(widget);
    if (qobject_cast<QAbstractItemView*>(widget) != nullptr) {
        widget->installEventFilter(this);
    }
}

void FocusStyle::unpolish(QWidget* widget) {
    widget->removeEventFilter(this);
    QProxyStyle::unpolish(widget);
}

bool FocusStyle::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        if (auto* view = qobject_cast<QAbstractItemView*>(watched)) {
            view->update();
        }
    }
    return QProxyStyle::eventFilter(watched, event);
}
