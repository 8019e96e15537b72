#include "wizard/message_box.h"

QMessageBox::StandardButton ShowMessageBox(QWidget* owner, const std::string& text,
                                           const std::string& caption, QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, QString::fromStdString(caption), QString::fromStdString(text), buttons, owner);
    box.setObjectName("messageBox");
    box.setTextFormat(Qt::PlainText);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
