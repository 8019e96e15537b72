#include "imaging/widgets/picture_preview.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPalette>
#include <QSignalSpy>
#include <functional>

#include "tests/support/temp_folder.h"
#include "tests/widgets/test_pictures.h"

namespace {

const QColor kWindow(10, 200, 30);
const QColor kRed(220, 0, 0);
const QColor kBlue(0, 0, 220);

bool Serve(const std::function<bool()>& condition, int timeoutMs = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition() && clock.elapsed() < timeoutMs) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return condition();
}

class PicturePreviewTest : public testing::Test {
protected:
    void SetUp() override {
        m_savedPalette = QApplication::palette();
        QPalette palette = m_savedPalette;
        palette.setColor(QPalette::Base, kWindow);
        QApplication::setPalette(palette);
    }
    void TearDown() override { QApplication::setPalette(m_savedPalette); }

    TempFolder m_folder;
    QPalette m_savedPalette;
};

}  // namespace

// The decode happens behind the window: SetPicture returns before the picture is there, then the
// fitted picture appears centred between window-coloured strips, as the designed preview draws it.
TEST_F(PicturePreviewTest, ShowsTheFittedPictureOnceDecoded) {
    const std::string path = WritePicture(m_folder / "landscape.png", SolidPicture(300, 200, kRed));
    const QColor red = DrawnColour(path, 0, 0);
    CPicturePreview preview;
    preview.resize(150, 150);
    preview.SetPicture(path);
    EXPECT_TRUE(preview.IsDecoding());
    ASSERT_TRUE(Serve([&] { return preview.IsShown(); }));
    const QImage shot = Grab(preview);
    // 134 x 89 at (8, 30), as FitPreview places it.
    EXPECT_TRUE(Near(shot.pixelColor(75, 75), red));
    EXPECT_TRUE(Near(shot.pixelColor(10, 33), red));
    EXPECT_EQ(shot.pixelColor(75, 25), kWindow);
    EXPECT_EQ(shot.pixelColor(75, 122), kWindow);
    EXPECT_EQ(shot.pixelColor(4, 75), kWindow);
}

// Requests quicker than decodes: only the picture asked for last is shown, never an earlier one
// that finishes later, and a file that is no picture is answered with its reason.
TEST_F(PicturePreviewTest, TheNewestRequestWins) {
    const std::string first = WritePicture(m_folder / "first.png", SolidPicture(2000, 1500, kRed));
    const std::string last = WritePicture(m_folder / "last.png", SolidPicture(40, 30, kBlue));
    const std::string broken = m_folder.Write("broken.jpg", "no picture");
    CPicturePreview preview;
    preview.resize(100, 100);
    QSignalSpy failed(&preview, &CPicturePreview::PictureFailed);
    std::vector<QString> answered;
    QObject::connect(&preview.Decoder(), &PreviewDecoder::PreviewReady,
                     [&](const QString& path, const QImage&, const QString&) { answered.push_back(path); });
    for (int i = 0; i < 5; ++i) {
        preview.SetPicture(first);
        preview.SetPicture(last);
    }
    ASSERT_TRUE(Serve([&] { return preview.IsShown(); }));
    Serve([] { return false; }, 300);
    EXPECT_EQ(preview.path(), last);
    EXPECT_TRUE(Near(Grab(preview).pixelColor(50, 50), DrawnColour(last, 0, 0)));
    EXPECT_LE(answered.size(), 3u);
    EXPECT_EQ(answered.back().toStdString(), last);
    EXPECT_EQ(failed.count(), 0);

    preview.SetPicture(broken);
    ASSERT_TRUE(Serve([&] { return failed.count() == 1; }));
    EXPECT_EQ(failed[0][0].toString().toStdString(), broken);
    EXPECT_EQ(failed[0][1].toString(), "it is not a picture in a format that can be read, or it is damaged");
    EXPECT_FALSE(preview.IsShown());
    EXPECT_EQ(Grab(preview).pixelColor(50, 50), kWindow);
}
