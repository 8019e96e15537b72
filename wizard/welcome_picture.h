#pragma once

#include <QPixmap>
#include <QWidget>

// The welcome page's picture, with the program's version in its lower right corner.
class WelcomePicture : public QWidget {
    Q_OBJECT

public:
    explicit WelcomePicture(QWidget* parent = nullptr);
    QSize sizeHint() const override;

    // "version 3.21  ": the version with two decimals and two trailing blanks.
    static QString VersionText();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
};
