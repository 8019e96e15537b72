#include "imaging/picture_sizes.h"

#include <gtest/gtest.h>

namespace {

std::optional<PictureSize> Large(int w, int h, int maxW, int maxH) {
    return LargePictureSize(w, h, maxW, maxH);
}
std::optional<PictureSize> Thumb(int w, int h, int maxW = 100, int maxH = 100) {
    return ThumbnailSize(w, h, maxW, maxH);
}

// The worked sizes the conversion must give.
TEST(PictureSizes, WorkedLargeSizes) {
    EXPECT_EQ(Large(1600, 1200, 640, 480), (PictureSize{640, 480}));
    EXPECT_EQ(Large(1000, 333, 500, 500), (PictureSize{500, 166}));
    EXPECT_EQ(Large(700, 400, 640, 480), (PictureSize{640, 365}));
    EXPECT_EQ(Large(641, 480, 640, 480), (PictureSize{640, 479}));
    EXPECT_EQ(Large(600, 400, 640, 480), std::nullopt);  // unchanged
    EXPECT_EQ(Large(800, 600, 0, 500), std::nullopt);    // unchanged
}

TEST(PictureSizes, WorkedThumbnailSizes) {
    EXPECT_EQ(Thumb(1600, 1200), (PictureSize{100, 75}));
    EXPECT_EQ(Thumb(333, 1000), (PictureSize{33, 100}));
    EXPECT_EQ(Thumb(300, 300), (PictureSize{100, 100}));
    EXPECT_EQ(Thumb(50, 40), (PictureSize{100, 80}));  // thumbnails are enlarged to the box
}

TEST(PictureSizes, SmallPictureIsNotEnlargedButItsThumbnailIsReduced) {
    EXPECT_EQ(Large(120, 80, 640, 480), std::nullopt);
    EXPECT_EQ(Thumb(120, 80), (PictureSize{100, 66}));
}

TEST(PictureSizes, ALargeLimitOfZeroSwitchesBothLimitsOff) {
    EXPECT_EQ(Large(800, 600, 500, 0), std::nullopt);
    EXPECT_EQ(Large(800, 600, 0, 0), std::nullopt);
    EXPECT_EQ(Large(800, 600, -1, 300), std::nullopt);
    EXPECT_EQ(Large(5000, 5000, 0, 100), std::nullopt);
}

TEST(PictureSizes, AThumbnailLimitOfZeroMeansNoLimitInThatDirection) {
    EXPECT_EQ(Thumb(1600, 1200, 0, 0), std::nullopt);  // keeps the source size
    EXPECT_EQ(Thumb(1600, 1200, 100, 0), (PictureSize{100, 75}));
    EXPECT_EQ(Thumb(1600, 1200, 0, 100), (PictureSize{133, 100}));
    EXPECT_EQ(Thumb(50, 40, 0, 80), (PictureSize{100, 80}));
    EXPECT_EQ(Thumb(1600, 1200, -5, -5), std::nullopt);
}

TEST(PictureSizes, NoSideBecomesZero) {
    EXPECT_EQ(Large(10000, 10, 640, 480), (PictureSize{640, 1}));
    EXPECT_EQ(Thumb(1, 5000), (PictureSize{1, 100}));
}

TEST(PictureSizes, EqualQuotientsGiveTheSameSize) {
    EXPECT_EQ(Large(1280, 960, 640, 480), (PictureSize{640, 480}));
    EXPECT_EQ(Thumb(200, 200), (PictureSize{100, 100}));
}

}  // namespace
