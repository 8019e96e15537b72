#pragma once

#include <QPixmap>
#include <QWidget>

// The maker's logo: drawn at its own size from the top-left corner, a hand pointer over it, and a
// click opens the home page.
class LogoLink : public QWidget {
    Q_OBJECT

public:
    explicit LogoLink(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap m_logo;
};
