#pragma once

#include <QMessageBox>
#include <string>

// Every message box of the wizard: a modal QMessageBox owned by `owner`. Returns the button pressed.
QMessageBox::StandardButton ShowMessageBox(QWidget* owner, const std::string& text,
                                           const std::string& caption, QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons = QMessageBox::Ok);
