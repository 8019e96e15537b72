#include "imaging/widgets/preview_fit.h"

#include <gtest/gtest.h>

namespace {

void ExpectFit(const PreviewFit& fit, int width, int height, int x, int y) {
    EXPECT_TRUE(fit.drawable);
    EXPECT_EQ(fit.width, width);
    EXPECT_EQ(fit.height, height);
    EXPECT_EQ(fit.x, x);
    EXPECT_EQ(fit.y, y);
}

}  // namespace

// The single-precision scale truncates 135 x 90 down to 134 x 89.
TEST(FitPreview, ShrinksALandscapePictureIntoASquare) {
    ExpectFit(FitPreview(300, 200, 150, 150), 134, 89, 8, 30);
}

TEST(FitPreview, EnlargesASmallPictureToTheSameBoxAsALargeOne) {
    ExpectFit(FitPreview(40, 30, 200, 150), 179, 134, 10, 8);
    ExpectFit(FitPreview(800, 600, 200, 150), 179, 134, 10, 8);
}

TEST(FitPreview, FitsTheLongerSideOfAPortraitPicture) {
    // Box 90 x 180; the height decides: s = 400 / 180.
    const PreviewFit fit = FitPreview(100, 400, 100, 200);
    EXPECT_EQ(fit.height, 179);
    EXPECT_EQ(fit.width, 44);
    EXPECT_EQ(fit.x, 28);
    EXPECT_EQ(fit.y, 10);
}

TEST(FitPreview, DrawsNothingWhenThereIsNoRoomOrNoPicture) {
    EXPECT_FALSE(FitPreview(300, 200, 0, 0).drawable);
    EXPECT_FALSE(FitPreview(300, 200, 150, 0).drawable);
    EXPECT_FALSE(FitPreview(300, 200, 0, 150).drawable);
    EXPECT_FALSE(FitPreview(0, 200, 150, 150).drawable);
    EXPECT_FALSE(FitPreview(300, -1, 150, 150).drawable);
}

TEST(FitPreview, KeepsAtLeastOnePixelOfAVeryThinPicture) {
    ExpectFit(FitPreview(9000, 1, 100, 100), 90, 1, 5, 49);
    ExpectFit(FitPreview(1, 9000, 100, 100), 1, 90, 49, 5);
}

TEST(FitPreview, UsesTheWholeOfATinyControl) {
    // Below 10 pixels the tenth truncates to nothing, so the box is the whole side.
    ExpectFit(FitPreview(270, 180, 9, 9), 9, 6, 0, 1);
    ExpectFit(FitPreview(5, 5, 1, 1), 1, 1, 0, 0);
}
