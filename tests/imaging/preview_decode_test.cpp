#include "imaging/preview_decode.h"

#include <gtest/gtest.h>

#include "imaging/pixel_budget.h"
#include "tests/imaging/test_pictures.h"
#include "tests/support/temp_folder.h"

namespace {

const auto kNeverStop = [] { return false; };

}  // namespace

// The preview fits the box, up or down, keeping the picture's proportions and colours.
TEST(DecodePreview, FitsTheBoxKeepingProportions) {
    TempFolder folder;
    PixelBudget budget(PixelBudget::kProcessCapacity);
    const std::string wide = MakeSolidJpeg(folder, "wide.jpg", 1600, 800, Rgb{200, 30, 30});
    PreviewPicture picture = DecodePreview(wide, 300, 300, budget, kNeverStop);
    EXPECT_EQ(picture.problem, "");
    EXPECT_EQ(picture.width, 300);
    EXPECT_EQ(picture.height, 150);
    ASSERT_EQ(picture.pixels.size(), 300u * 150u);
    EXPECT_TRUE(Near(ColourOf(picture.pixels[150 * 75 + 150]), Rgb{200, 30, 30}));

    const std::string small = folder.Write("small.bmp", BmpBytes(40, 60));
    picture = DecodePreview(small, 300, 300, budget, kNeverStop);
    EXPECT_EQ(picture.width, 200);
    EXPECT_EQ(picture.height, 300);
    EXPECT_EQ(budget.Reserved(), 0);
    EXPECT_GT(budget.Peak(), 0);
}

// Each kind of file that cannot be shown comes back with a reason in plain words, and nothing of
// the budget stays reserved.
TEST(DecodePreview, NamesWhyAPictureCannotBeShown) {
    TempFolder folder;
    PixelBudget budget(PixelBudget::kProcessCapacity);
    const std::string jpeg = ReadFile(MakeJpeg(folder, "whole.jpg", 400, 300));
    const std::string cut = folder.Write("cut.jpg", jpeg.substr(0, jpeg.size() / 2));
    EXPECT_EQ(DecodePreview(cut, 100, 100, budget, kNeverStop).problem,
              "its pixels cannot be decoded: the file is damaged");
    EXPECT_EQ(DecodePreview(folder.Write("empty.png", ""), 100, 100, budget, kNeverStop).problem,
              "the file is empty");
    EXPECT_EQ(DecodePreview(folder.Write("text.tif", "not a picture"), 100, 100, budget, kNeverStop).problem,
              "it is not a picture in a format that can be read, or it is damaged");
    EXPECT_EQ(DecodePreview(folder / "missing.jpg", 100, 100, budget, kNeverStop).problem,
              "No such file or directory");
    EXPECT_EQ(DecodePreview(folder.MakeFolder("folder.jpg"), 100, 100, budget, kNeverStop).problem,
              "it is not a regular file");
    bool stopped = true;
    EXPECT_EQ(CheckPicture(cut, budget, kNeverStop, stopped),
              "its pixels cannot be decoded: the file is damaged");
    EXPECT_FALSE(stopped);
    EXPECT_EQ(CheckPicture(folder / "whole.jpg", budget, kNeverStop, stopped), "");
    EXPECT_EQ(budget.Reserved(), 0);
}

// The decode is paid for from the budget: a picture costing more than all of it is refused with
// its cost, and a decode waiting for memory gives up when asked to.
TEST(DecodePreview, StaysWithinTheMemoryBudget) {
    TempFolder folder;
    const std::string bmp = folder.Write("scan.bmp", BmpBytes(800, 600));
    PixelBudget tiny(1 << 20);
    const PreviewPicture refused = DecodePreview(bmp, 100, 100, tiny, kNeverStop);
    EXPECT_EQ(refused.width, 0);
    EXPECT_NE(refused.problem.find("decoding it would take "), std::string::npos) << refused.problem;
    EXPECT_NE(refused.problem.find(" MB, more than the 1 MB allowed"), std::string::npos) << refused.problem;

    PixelBudget budget(64 << 20);
    auto held = budget.Reserve(64 << 20, kNeverStop);
    ASSERT_TRUE(held);
    int asked = 0;
    const PreviewPicture gaveUp = DecodePreview(bmp, 100, 100, budget, [&] { return ++asked > 2; });
    EXPECT_TRUE(gaveUp.stopped);
    EXPECT_TRUE(gaveUp.pixels.empty());
    EXPECT_GT(asked, 2);
}
