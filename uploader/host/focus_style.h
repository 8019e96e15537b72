#pragma once

#include <QProxyStyle>

// The platform's style with a keyboard focus that can be seen: a thick dashed frame in a colour of
// its own around the control that has the focus (buttons, check boxes, fields, lists), which the
// default button's frame never looks like. Galvane and Skiffer install it on their application.
class FocusStyle : public QProxyStyle {
    Q_OBJECT

public:
    FocusStyle();

    // The frame's colour: dark orange, apart from the blue of selections and default buttons.
    static QColor FocusColour() { return {0xC0, 0x50, 0x00}; }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void polish(QWidget* widget) override;
    using QProxyStyle::polish;
    void unpolish(QWidget* widget) override;
    using QProxyStyle::unpolish;

protected:
    // Lists redraw their frame when the focus comes or goes.
    bool eventFilter(QObject* watched, QEvent* event) override;
};
