#include "imaging/widgets/preview_static.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>
#include <cstdio>
#include <cstdlib>

#include "tests/support/temp_folder.h"
#include "tests/widgets/test_pictures.h"

namespace {

const QColor kWindow(10, 200, 30);
const QColor kGreen(0, 160, 0);
const QColor kRed(220, 0, 0);

// Every test sees a window colour that no picture of theirs uses.
class PreviewStaticTest : public testing::Test {
protected:
    void SetUp() override {
        m_savedPalette = QApplication::palette();
        QPalette palette = m_savedPalette;
        palette.setColor(QPalette::Base, kWindow);
        QApplication::setPalette(palette);
    }
    void TearDown() override { QApplication::setPalette(m_savedPalette); }

    static bool AllWindowColoured(const QImage& shot) {
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x) {
                if (shot.pixelColor(x, y) != kWindow) {
                    return false;
                }
            }
        }
        return true;
    }

    TempFolder m_folder;
    QPalette m_savedPalette;
};

TEST_F(PreviewStaticTest, ShowsOnlyTheWindowColourWithoutAPicture) {
    CPreviewStatic preview;
    preview.resize(120, 90);
    EXPECT_TRUE(preview.path().empty());
    EXPECT_TRUE(AllWindowColoured(Grab(preview)));
}

TEST_F(PreviewStaticTest, CentresTheFittedPictureBetweenWindowColouredStrips) {
    const std::string path = WritePicture(m_folder / "landscape.png", SolidPicture(300, 200, kGreen));
    const QColor green = DrawnColour(path, 0, 0);
    CPreviewStatic preview;
    preview.resize(150, 150);
    preview.SetPicture(path);
    EXPECT_EQ(preview.path(), path);

    // 134 x 89 at (8, 30): the picture covers x 8..141 and y 30..118.
    const QImage shot = Grab(preview);
    for (int y : {0, 29, 119, 149}) {
        EXPECT_EQ(shot.pixelColor(75, y), kWindow) << "row " << y;
    }
    for (int x : {0, 7, 142, 149}) {
        EXPECT_EQ(shot.pixelColor(x, 75), kWindow) << "column " << x;
    }
    for (QPoint inside : {QPoint(8, 30), QPoint(141, 118), QPoint(75, 75), QPoint(141, 30), QPoint(8, 118)}) {
        EXPECT_TRUE(Near(shot.pixelColor(inside), green)) << inside.x() << "," << inside.y();
    }
}

TEST_F(PreviewStaticTest, DrawsPngWebpHeicAndAvifWithTransparencyOnWhite) {
    // Left half fully transparent, right half green.
    QImage picture(200, 100, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    for (int y = 0; y < 100; ++y) {
        for (int x = 100; x < 200; ++x) {
            picture.setPixelColor(x, y, kGreen);
        }
    }
    const std::string png = WritePicture(m_folder / "clear.png", picture);
    for (const char* extension : {"png", "webp", "heic", "avif"}) {
        SCOPED_TRACE(extension);
        const std::string path = m_folder / (std::string("clear.") + extension);
        if (path != png) {  // libvips' own tool makes the others from the PNG, keeping the alpha
            ASSERT_EQ(std::system(("vips copy '" + png + "' '" + path + "[Q=95]'").c_str()), 0);
        }
        CPreviewStatic preview;
        preview.resize(200, 100);
        preview.SetPicture(path);
        const QImage shot = Grab(preview);
        // Fitted to 196 x 98 at (2, 1).
        EXPECT_TRUE(Near(shot.pixelColor(50, 50), QColor(255, 255, 255), 12));
        EXPECT_TRUE(Near(shot.pixelColor(150, 50), kGreen, 16));
    }
}

TEST_F(PreviewStaticTest, EnlargesASmallPaletteImageToTheBox) {
    QImage indexed = SolidPicture(40, 30, kRed).convertToFormat(QImage::Format_Indexed8);
    const std::string path = WritePicture(m_folder / "small.png", indexed);
    const QColor red = DrawnColour(path, 0, 0);
    CPreviewStatic preview;
    preview.resize(200, 150);
    preview.SetPicture(path);

    // 179 x 134 at (10, 8).
    const QImage shot = Grab(preview);
    EXPECT_EQ(shot.pixelColor(9, 75), kWindow);
    EXPECT_EQ(shot.pixelColor(189, 75), kWindow);
    EXPECT_EQ(shot.pixelColor(100, 7), kWindow);
    EXPECT_EQ(shot.pixelColor(100, 142), kWindow);
    EXPECT_TRUE(Near(shot.pixelColor(10, 8), red));
    EXPECT_TRUE(Near(shot.pixelColor(188, 141), red));
}

TEST_F(PreviewStaticTest, RefitsThePictureWhenTheControlGrows) {
    const std::string path = WritePicture(m_folder / "landscape.png", SolidPicture(300, 200, kGreen));
    const QColor green = DrawnColour(path, 0, 0);
    CPreviewStatic preview;
    preview.resize(150, 150);
    preview.SetPicture(path);
    Grab(preview);

    // The held copy is now 134 x 89; at 300 x 300 it is enlarged again to about 270 x 179.
    preview.resize(300, 300);
    const QImage shot = Grab(preview);
    EXPECT_EQ(shot.pixelColor(150, 5), kWindow);
    EXPECT_EQ(shot.pixelColor(5, 150), kWindow);
    EXPECT_TRUE(Near(shot.pixelColor(20, 150), green));
    EXPECT_TRUE(Near(shot.pixelColor(280, 150), green));
    EXPECT_TRUE(Near(shot.pixelColor(150, 70), green));
    EXPECT_TRUE(Near(shot.pixelColor(150, 230), green));
}

TEST_F(PreviewStaticTest, AFailedLoadKeepsThePathAndEmptiesThePreview) {
    const std::string good = WritePicture(m_folder / "good.png", SolidPicture(60, 40, kGreen));
    const std::string missing = m_folder / "missing.png";
    CPreviewStatic preview;
    preview.resize(100, 80);
    preview.SetPicture(good);
    ASSERT_FALSE(AllWindowColoured(Grab(preview)));

    preview.SetPicture(missing);
    EXPECT_EQ(preview.path(), missing);
    EXPECT_TRUE(AllWindowColoured(Grab(preview)));

    const std::string notAPicture = m_folder.Write("notes.png", "plain text, no picture");
    preview.SetPicture(notAPicture);
    EXPECT_EQ(preview.path(), notAPicture);
    EXPECT_TRUE(AllWindowColoured(Grab(preview)));
}

TEST_F(PreviewStaticTest, AskingForThePictureOnShowDoesNotLoadItAgain) {
    const std::string path = WritePicture(m_folder / "shown.png", SolidPicture(60, 40, kGreen));
    const QColor green = DrawnColour(path, 0, 0);
    CPreviewStatic preview;
    preview.resize(100, 80);
    preview.SetPicture(path);
    ASSERT_TRUE(Near(Grab(preview).pixelColor(50, 40), green));

    WritePicture(path, SolidPicture(60, 40, kRed));
    preview.SetPicture(path);
    EXPECT_TRUE(Near(Grab(preview).pixelColor(50, 40), green));
}

TEST_F(PreviewStaticTest, RetriesAFailedPathOnlyAfterAnotherWasAskedFor) {
    const std::string later = m_folder / "later.png";
    const std::string other = WritePicture(m_folder / "other.png", SolidPicture(60, 40, kGreen));
    CPreviewStatic preview;
    preview.resize(100, 80);
    preview.SetPicture(later);
    EXPECT_TRUE(AllWindowColoured(Grab(preview)));

    WritePicture(later, SolidPicture(60, 40, kRed));
    preview.SetPicture(later);
    EXPECT_TRUE(AllWindowColoured(Grab(preview)));

    preview.SetPicture(other);
    preview.SetPicture(later);
    EXPECT_TRUE(Near(Grab(preview).pixelColor(50, 40), DrawnColour(later, 0, 0)));
}

}  // namespace
