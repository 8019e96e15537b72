#include "imaging/widgets/color_example_static.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <algorithm>
#include <filesystem>

#include "tests/support/temp_folder.h"
#include "tests/widgets/test_pictures.h"

namespace {

const QColor kRed(220, 0, 0);
const QColor kBlue(0, 0, 200);
const QColor kWhite(255, 255, 255);

// The sample text covers roughly the top 80 pixels around the middle; the tests look for the
// background below it and along the left edge.
class ColorExampleStaticTest : public testing::Test {
protected:
    void SetUp() override {
        m_example.resize(400, 200);
        m_example.m_crBkgndColor = MakeColorRef(200, 30, 60);
        m_example.m_crTextColor = MakeColorRef(0, 0, 0);
    }

    TempFolder m_folder;
    CColorExampleStatic m_example;
};

TEST_F(ColorExampleStaticTest, FillsWithTheBackgroundColourRedInTheLowestByte) {
    const QImage shot = Grab(m_example);
    const QColor background(200, 30, 60);
    for (QPoint p : {QPoint(0, 0), QPoint(399, 0), QPoint(0, 199), QPoint(399, 199), QPoint(200, 150)}) {
        EXPECT_EQ(shot.pixelColor(p), background) << p.x() << "," << p.y();
    }
}

TEST_F(ColorExampleStaticTest, TilesTheBackgroundPictureClippedAtTheEdges) {
    m_example.m_strBkgndImage = WritePicture(m_folder / "tile.png", TwoColourPicture(20, 10, kRed, kBlue));
    const QColor red = DrawnColour(m_example.m_strBkgndImage, 5, 5);
    const QColor blue = DrawnColour(m_example.m_strBkgndImage, 15, 5);
    ASSERT_NE(red, blue);
    m_example.resize(410, 205);
    const QImage shot = Grab(m_example);

    // Tiles start every 20 pixels across and every 10 down; each is red on its left half.
    for (int y : {5, 125, 196}) {
        EXPECT_EQ(shot.pixelColor(5, y), red) << "row " << y;
        EXPECT_EQ(shot.pixelColor(15, y), blue) << "row " << y;
    }
    EXPECT_EQ(shot.pixelColor(25, 125), red);
    EXPECT_EQ(shot.pixelColor(395, 125), blue);
    // The last column and row of tiles are cut off by the control's edge.
    EXPECT_EQ(shot.pixelColor(409, 204), red);
    EXPECT_EQ(shot.pixelColor(400, 200), red);
}

TEST_F(ColorExampleStaticTest, DrawsABackgroundLargerThanTheControlOnceAtItsOwnSize) {
    m_example.m_strBkgndImage = WritePicture(m_folder / "large.png", TwoColourPicture(300, 300, kRed, kBlue));
    const QColor red = DrawnColour(m_example.m_strBkgndImage, 0, 0);
    const QColor blue = DrawnColour(m_example.m_strBkgndImage, 299, 0);
    m_example.resize(200, 120);
    const QImage shot = Grab(m_example);

    EXPECT_EQ(shot.pixelColor(0, 119), red);
    EXPECT_EQ(shot.pixelColor(149, 119), red);
    EXPECT_EQ(shot.pixelColor(150, 119), blue);
    EXPECT_EQ(shot.pixelColor(199, 119), blue);
    EXPECT_EQ(shot.pixelColor(199, 0), blue);
}

TEST_F(ColorExampleStaticTest, ShowsThePlainColourWhenTheBackgroundPictureIsUnusable) {
    const QColor background(200, 30, 60);
    const std::string tile = WritePicture(m_folder / "tile.png", SolidPicture(20, 10, kRed));
    m_example.m_strBkgndImage = tile;
    ASSERT_EQ(Grab(m_example).pixelColor(5, 150), DrawnColour(tile, 0, 0));

    std::filesystem::remove(tile);
    EXPECT_EQ(Grab(m_example).pixelColor(5, 150), background);

    m_example.m_strBkgndImage = m_folder.Write("notes.png", "plain text, no picture");
    EXPECT_EQ(Grab(m_example).pixelColor(5, 150), background);

    m_example.m_strBkgndImage = m_folder.path();
    EXPECT_EQ(Grab(m_example).pixelColor(5, 150), background);
}

TEST_F(ColorExampleStaticTest, WritesTheSampleTextInTheTextColourCentredFromTheTop) {
    m_example.m_crBkgndColor = MakeColorRef(255, 255, 255);
    m_example.m_crTextColor = MakeColorRef(0, 0, 255);
    const QImage shot = Grab(m_example);

    int count = 0;
    int reddish = 0;
    int left = shot.width();
    int right = -1;
    int top = shot.height();
    int bottom = -1;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            reddish += c.red() > 128 && c.blue() < 128 ? 1 : 0;
            if (c == QColor(0, 0, 255)) {
                ++count;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    ASSERT_GT(count, 200);
    EXPECT_EQ(reddish, 0) << "the text colour's bytes were read in the wrong order";
    EXPECT_LT(top, 16);
    // Two lines of 32-pixel text: the second one lies well below the first.
    EXPECT_GT(bottom, 50);
    EXPECT_LT(bottom, 100);
    EXPECT_NEAR((left + right) / 2.0, 200.0, 6.0);
    EXPECT_EQ(shot.pixelColor(200, 150), kWhite);
}

TEST(ColorExampleStaticFont, IsABoldThirtyTwoPixelFaceThatIsInstalled) {
    const QFont font = CColorExampleStatic::SampleFont();
    EXPECT_EQ(font.pixelSize(), 32);
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_TRUE(QFontDatabase::hasFamily(font.family())) << font.family().toStdString();
    EXPECT_EQ(QFontInfo(font).family(), font.family());
}

}  // namespace
