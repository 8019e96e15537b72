// The focus frame both programs install: drawn on the control that has the focus, never on one
// that is only the default button.
#include "uploader/host/focus_style.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyleOption>
#include <QTreeWidget>

namespace {

// Pixels of the focus colour in what `paint` draws on a 120 x 40 white image.
template <typename Paint>
int FocusPixels(Paint paint) {
    QImage image(120, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        paint(painter, image.rect());
    }
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixelColor(x, y) == FocusStyle::FocusColour();
        }
    }
    return count;
}

TEST(FocusStyle, TheFocusIsFramedAndTheDefaultButtonIsNot) {
    FocusStyle style;
    QPushButton button("Complete");
    QLineEdit edit;
    QTreeWidget list;
    const auto pushButton = [&](QStyle::State state, bool isDefault) {
        return FocusPixels([&](QPainter& painter, const QRect& rect) {
            QStyleOptionButton option;
            option.initFrom(&button);
            option.rect = rect;
            option.text = "Complete";
            option.state = QStyle::State_Enabled | QStyle::State_Raised | state;
            option.features = isDefault ? QStyleOptionButton::DefaultButton : QStyleOptionButton::None;
            style.drawControl(QStyle::CE_PushButton, &option, &painter, &button);
        });
    };
    EXPECT_GT(pushButton(QStyle::State_HasFocus, false), 100);
    EXPECT_EQ(pushButton(QStyle::State_None, true), 0);
    EXPECT_EQ(pushButton(QStyle::State_None, false), 0);

    const auto lineEdit = [&](QStyle::State state) {
        return FocusPixels([&](QPainter& painter, const QRect& rect) {
            QStyleOptionFrame option;
            option.initFrom(&edit);
            option.rect = rect;
            option.lineWidth = 1;
            option.state = QStyle::State_Enabled | QStyle::State_Sunken | state;
            style.drawPrimitive(QStyle::PE_FrameLineEdit, &option, &painter, &edit);
        });
    };
    EXPECT_GT(lineEdit(QStyle::State_HasFocus), 100);
    EXPECT_EQ(lineEdit(QStyle::State_None), 0);

    // The list shows the focus on its own frame, not as a dashed box on the current row.
    const auto listFrame = [&](QStyle::State state) {
        return FocusPixels([&](QPainter& painter, const QRect& rect) {
            QStyleOptionFrame option;
            option.initFrom(&list);
            option.rect = rect;
            option.lineWidth = 1;
            option.frameShape = QFrame::StyledPanel;
            option.state = QStyle::State_Enabled | QStyle::State_Sunken | state;
            style.drawControl(QStyle::CE_ShapedFrame, &option, &painter, &list);
        });
    };
    EXPECT_GT(listFrame(QStyle::State_HasFocus), 100);
    EXPECT_EQ(listFrame(QStyle::State_None), 0);
    const int onRow = FocusPixels([&](QPainter& painter, const QRect& rect) {
        QStyleOptionFocusRect option;
        option.initFrom(&list);
        option.rect = rect;
        style.drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, &list);
    });
    EXPECT_EQ(onRow, 0);
    // Elsewhere (a check box's label) the focus rectangle is the frame.
    const int onLabel = FocusPixels([&](QPainter& painter, const QRect& rect) {
        QStyleOptionFocusRect option;
        option.rect = rect;
        option.state = QStyle::State_HasFocus;
        style.drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, nullptr);
    });
    EXPECT_GT(onLabel, 100);
}

}  // namespace
