// The functions of vimbral.h: sizes, formats, quality, saving, drawing, orientation, metadata.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/vimbral/vimbral.h"
#include "tests/imaging/test_pictures.h"

namespace {

struct ImageDeleter {
    void operator()(vimbral::ImageObject* image) const { vimbral::DeleteImageObject(image); }
};
using Handle = std::unique_ptr<vimbral::ImageObject, ImageDeleter>;

Handle Open(const std::string& path) {
    return Handle(vimbral::InitImageObject(path.c_str(), nullptr, -1, -1));
}

class Vimbral : public ::testing::Test {
protected:
    TempFolder folder;
};

TEST_F(Vimbral, NullAndEmptyHandlesAreHarmless) {
    vimbral::Canvas canvas;
    EXPECT_EQ(vimbral::Load(nullptr, "x.jpg", nullptr, -1, -1), 0);
    EXPECT_EQ(vimbral::Save(nullptr, "x.jpg", 5), 0);
    EXPECT_EQ(vimbral::ChangeImageFormat(nullptr, 24), 0);
    EXPECT_EQ(vimbral::SetQuality(nullptr, 50), 0);
    EXPECT_EQ(vimbral::GetWidth(nullptr), 0);
    EXPECT_EQ(vimbral::GetHeight(nullptr), 0);
    EXPECT_EQ(vimbral::GetNumBits(nullptr), 0);
    EXPECT_EQ(vimbral::Stretch(nullptr, 10, 10), 0);
    EXPECT_EQ(vimbral::Draw(nullptr, &canvas, 0, 0), 0);
    vimbral::DeleteImageObject(nullptr);

    Handle empty(vimbral::InitImageObject());
    ASSERT_TRUE(empty);
    EXPECT_EQ(vimbral::GetWidth(empty.get()), 0);
    EXPECT_EQ(vimbral::Stretch(empty.get(), 10, 10), 0);
    EXPECT_EQ(vimbral::Save(empty.get(), (folder / "x.jpg").c_str(), 5), 0);
    EXPECT_FALSE(FileExists(folder / "x.jpg"));
}

TEST_F(Vimbral, LoadIntoAnEmptyObject) {
    Handle image(vimbral::InitImageObject());
    EXPECT_NE(vimbral::Load(image.get(), MakeJpeg(folder, "a.jpg", 30, 20).c_str(), nullptr, -1, -1), 0);
    EXPECT_EQ(vimbral::GetWidth(image.get()), 30);
    EXPECT_EQ(vimbral::GetHeight(image.get()), 20);
    // A failed load leaves the object empty.
    EXPECT_EQ(vimbral::Load(image.get(), (folder / "missing.jpg").c_str(), nullptr, -1, -1), 0);
    EXPECT_EQ(vimbral::GetWidth(image.get()), 0);
}

TEST_F(Vimbral, StretchGivesExactlyTheSizeAskedFor) {
    Handle image = Open(MakeJpeg(folder, "a.jpg", 641, 480));
    ASSERT_TRUE(image);
    EXPECT_NE(vimbral::Stretch(image.get(), 640, 479), 0);
    EXPECT_EQ(vimbral::GetWidth(image.get()), 640);
    EXPECT_EQ(vimbral::GetHeight(image.get()), 479);
    EXPECT_NE(vimbral::Stretch(image.get(), 33, 100), 0);  // aspect changes, and enlarging
    EXPECT_EQ(vimbral::GetWidth(image.get()), 33);
    EXPECT_EQ(vimbral::GetHeight(image.get()), 100);
    const std::string out = folder / "out.jpg";
    ASSERT_NE(vimbral::Save(image.get(), out.c_str(), 5), 0);
    EXPECT_EQ(SizeOf(out), (Size{33, 100}));
}

TEST_F(Vimbral, StretchRefusesSizesBelowOneAndBeyondTheLimits) {
    Handle image = Open(MakeJpeg(folder, "a.jpg", 40, 30));
    ASSERT_TRUE(image);
    EXPECT_EQ(vimbral::Stretch(image.get(), 0, 10), 0);
    EXPECT_EQ(vimbral::Stretch(image.get(), 10, 0), 0);
    EXPECT_EQ(vimbral::Stretch(image.get(), -5, -5), 0);
    EXPECT_EQ(vimbral::Stretch(image.get(), 40'000, 10), 0);
    EXPECT_EQ(vimbral::Stretch(image.get(), 20'000, 20'000), 0);
    EXPECT_EQ(vimbral::GetWidth(image.get()), 40);
    EXPECT_EQ(vimbral::GetHeight(image.get()), 30);
    const std::string out = folder / "out.jpg";
    EXPECT_NE(vimbral::Save(image.get(), out.c_str(), 5), 0);  // still usable, unchanged
    EXPECT_EQ(SizeOf(out), (Size{40, 30}));
}

TEST_F(Vimbral, ShrinkingAPhotoKeepsItsColours) {
    Handle image = Open(MakeSolidJpeg(folder, "a.jpg", 1600, 1200, {200, 40, 90}));
    ASSERT_TRUE(image);
    ASSERT_NE(vimbral::Stretch(image.get(), 100, 75), 0);
    std::vector<std::uint32_t> pixels(100 * 75);
    vimbral::Canvas canvas{pixels.data(), 100, 75, 400};
    ASSERT_NE(vimbral::Draw(image.get(), &canvas, 0, 0), 0);
    for (std::uint32_t pixel : pixels) {
        ASSERT_TRUE(Near(ColourOf(pixel), {200, 40, 90}, 6));
    }
}

TEST_F(Vimbral, ChangeImageFormatIsWhatGetNumBitsReports) {
    Handle image = Open(MakeJpeg(folder, "a.jpg", 16, 16));
    ASSERT_TRUE(image);
    EXPECT_EQ(vimbral::GetNumBits(image.get()), 24);
    EXPECT_NE(vimbral::ChangeImageFormat(image.get(), 8), 0);
    EXPECT_EQ(vimbral::GetNumBits(image.get()), 8);
    EXPECT_NE(vimbral::ChangeImageFormat(image.get(), 24), 0);
    EXPECT_EQ(vimbral::GetNumBits(image.get()), 24);
    EXPECT_EQ(vimbral::ChangeImageFormat(image.get(), 16), 0);
    EXPECT_EQ(vimbral::GetNumBits(image.get()), 24);
}

TEST_F(Vimbral, TheFormatCodeDecidesTheFileFormat) {
    Handle image = Open(folder.Write("a.bmp", BmpBytes(40, 30)));
    ASSERT_TRUE(image);
    vimbral::ChangeImageFormat(image.get(), 8);
    ASSERT_NE(vimbral::Save(image.get(), (folder / "gif-code.jpg").c_str(), vimbral::kFormatGif), 0);
    ASSERT_NE(vimbral::Save(image.get(), (folder / "jpeg-code.gif").c_str(), vimbral::kFormatJpeg), 0);
    ASSERT_NE(vimbral::Save(image.get(), (folder / "thumb-code").c_str(), vimbral::kFormatThumbnail), 0);
    ASSERT_NE(vimbral::Save(image.get(), (folder / "webp-code.jpg").c_str(), vimbral::kFormatWebp), 0);
    ASSERT_NE(vimbral::Save(image.get(), (folder / "fast-jpeg-code.webp").c_str(), vimbral::kFormatJpegFast),
              0);
    EXPECT_EQ(vimbral::Save(image.get(), (folder / "other.png").c_str(), 10), 0);
    EXPECT_TRUE(IsGifFile(folder / "gif-code.jpg"));
    EXPECT_TRUE(IsJpegFile(folder / "jpeg-code.gif"));
    EXPECT_TRUE(IsJpegFile(folder / "thumb-code"));
    EXPECT_TRUE(IsJpegFile(folder / "fast-jpeg-code.webp"));
    EXPECT_EQ(ReadFile(folder / "webp-code.jpg").substr(8, 4), "WEBP");
    EXPECT_EQ(SizeOf(folder / "webp-code.jpg"), (Size{40, 30}));
    EXPECT_FALSE(FileExists(folder / "other.png"));
    EXPECT_EQ(SizeOf(folder / "gif-code.jpg"), (Size{40, 30}));
    EXPECT_TRUE(
        Near(ColourOf(DrawnPixels(folder / "gif-code.jpg")[15 * 40 + 20]), Gradient(20, 15, 40, 30), 40));
}

// Written faster, a JPEG file differs only in its Huffman tables: the same pixels exactly, the same
// comment, a few more bytes.
TEST_F(Vimbral, AFastJpegFileHoldsExactlyThePixelsAndCommentOfTheUsualOne) {
    Handle image = Open(MakeJpeg(folder, "a.jpg", 800, 600));
    ASSERT_TRUE(image);
    vimbral::SetQuality(image.get(), 75);
    vimbral::SetComment(image.get(), "made by a test");
    const std::string usual = folder / "usual.jpg";
    const std::string fast = folder / "fast.jpg";
    ASSERT_NE(vimbral::Save(image.get(), usual.c_str(), vimbral::kFormatJpeg), 0);
    ASSERT_NE(vimbral::Save(image.get(), fast.c_str(), vimbral::kFormatJpegFast), 0);
    EXPECT_TRUE(IsJpegFile(fast));
    EXPECT_EQ(DrawnPixels(fast), DrawnPixels(usual));
    char comment[64] = {};
    EXPECT_EQ(vimbral::ReadComment(fast.c_str(), comment, sizeof comment), 14);
    EXPECT_STREQ(comment, "made by a test");
    EXPECT_GT(ReadFile(fast).size(), ReadFile(usual).size());
}

TEST_F(Vimbral, QualityBelowOneMeansTheDefault) {
    const std::string source = MakeJpeg(folder, "a.jpg", 64, 64, Noise);
    const auto written = [&](int quality, const std::string& name) {
        Handle image = Open(source);
        vimbral::SetQuality(image.get(), quality);
        vimbral::Save(image.get(), (folder / name).c_str(), vimbral::kFormatThumbnail);
        return ReadFile(folder / name);
    };
    const std::string q75 = written(75, "q75.jpg");
    EXPECT_EQ(written(0, "q0.jpg"), q75);
    EXPECT_EQ(written(-3, "qneg.jpg"), q75);
    Handle fresh = Open(source);  // never set: the default too
    vimbral::Save(fresh.get(), (folder / "unset.jpg").c_str(), vimbral::kFormatJpeg);
    EXPECT_EQ(ReadFile(folder / "unset.jpg"), q75);
    EXPECT_LT(written(1, "q1.jpg").size(), q75.size());
    EXPECT_GT(written(100, "q100.jpg").size(), q75.size());
    EXPECT_EQ(written(250, "q250.jpg"), written(100, "q100b.jpg"));
}

TEST_F(Vimbral, SaveReplacesAFileAndLeavesNoTemporaryFiles) {
    const std::string target = folder.Write("out.jpg", "an older file");
    Handle image = Open(MakeJpeg(folder, "a.jpg", 20, 10));
    ASSERT_NE(vimbral::Save(image.get(), target.c_str(), 5), 0);
    EXPECT_TRUE(IsJpegFile(target));
    EXPECT_EQ(FilesIn(folder.path()), (std::vector<std::string>{"a.jpg", "out.jpg"}));
}

TEST_F(Vimbral, AFailedSaveLeavesNothingBehind) {
    const std::string whole = ReadFile(MakeJpeg(folder, "whole.jpg", 256, 256, Noise));
    const std::string cut = folder.Write("cut.jpg", whole.substr(0, whole.size() / 2));
    const std::string target = folder.Write("out.jpg", "an older file");
    Handle image = Open(cut);
    if (image) {
        EXPECT_EQ(vimbral::Save(image.get(), target.c_str(), 5), 0);
    }
    EXPECT_EQ(ReadFile(target), "an older file");
    EXPECT_EQ(FilesIn(folder.path()), (std::vector<std::string>{"cut.jpg", "out.jpg", "whole.jpg"}));

    Handle good = Open(folder / "whole.jpg");
    EXPECT_EQ(vimbral::Save(good.get(), (folder / "no/such/folder/x.jpg").c_str(), 5), 0);
    EXPECT_EQ(vimbral::Save(good.get(), folder.path().c_str(), 5), 0);  // a folder
    EXPECT_EQ(FilesIn(folder.path()), (std::vector<std::string>{"cut.jpg", "out.jpg", "whole.jpg"}));
}

TEST_F(Vimbral, ExifOrientationIsAppliedAtLoad) {
    // Stored 64 x 32, left half red, right half blue; orientation 6 shows it turned a quarter
    // clockwise: 32 x 64, red on top.
    const auto halves = [](int x, int, int width, int) {
        return x < width / 2 ? Rgb{255, 0, 0} : Rgb{0, 0, 255};
    };
    const std::string plain = ReadFile(MakeJpeg(folder, "plain.jpg", 64, 32, halves, 95));
    const std::string turned = folder.Write("turned.jpg", WithExifOrientation(plain, 6));
    int w = 0, h = 0;
    const auto pixels = DrawnPixels(turned, &w, &h);
    ASSERT_EQ(w, 32);
    ASSERT_EQ(h, 64);
    EXPECT_TRUE(Near(ColourOf(pixels[10 * 32 + 16]), {255, 0, 0}, 40));
    EXPECT_TRUE(Near(ColourOf(pixels[54 * 32 + 16]), {0, 0, 255}, 40));

    Handle image = Open(turned);
    ASSERT_NE(vimbral::Stretch(image.get(), 16, 32), 0);
    const std::string small = folder / "small.jpg";
    ASSERT_NE(vimbral::Save(image.get(), small.c_str(), 5), 0);
    const auto shrunk = DrawnPixels(small, &w, &h);
    ASSERT_EQ(w, 16);
    ASSERT_EQ(h, 32);
    EXPECT_TRUE(Near(ColourOf(shrunk[5 * 16 + 8]), {255, 0, 0}, 48));
    EXPECT_TRUE(Near(ColourOf(shrunk[27 * 16 + 8]), {0, 0, 255}, 48));

    // Saved at its own size, without a Stretch: upright too.
    Handle whole = Open(turned);
    const std::string same = folder / "same.jpg";
    ASSERT_NE(vimbral::Save(whole.get(), same.c_str(), 5), 0);
    EXPECT_EQ(SizeOf(same), (Size{32, 64}));
}

TEST_F(Vimbral, WrittenFilesCarryNoMetadata) {
    const std::string plain = ReadFile(MakeJpeg(folder, "plain.jpg", 64, 32));
    const std::string tagged = folder.Write("tagged.jpg", WithExifOrientation(plain, 1));
    ASSERT_TRUE(HasExif(tagged));
    Handle image = Open(tagged);
    ASSERT_NE(vimbral::Save(image.get(), (folder / "kept.jpg").c_str(), 5), 0);
    ASSERT_NE(vimbral::Stretch(image.get(), 32, 16), 0);
    ASSERT_NE(vimbral::Save(image.get(), (folder / "small.jpg").c_str(), -1), 0);
    ASSERT_NE(vimbral::Save(image.get(), (folder / "small.gif").c_str(), 2), 0);
    for (const char* name : {"kept.jpg", "small.jpg"}) {
        EXPECT_FALSE(HasExif(folder / name)) << name;
        EXPECT_EQ(ReadFile(folder / name).find("ICC_PROFILE"), std::string::npos) << name;
    }
    EXPECT_EQ(ReadFile(folder / "small.gif").find("Exif"), std::string::npos);
}

TEST_F(Vimbral, AFileChangedOnDiskIsDecodedAgain) {
    const std::string path = MakeSolidJpeg(folder, "a.jpg", 300, 200, {255, 0, 0});
    Handle first = Open(path);
    ASSERT_NE(vimbral::Stretch(first.get(), 150, 100), 0);
    // Same name, other picture: what the thread kept of the red one must not be used.
    MakeSolidJpeg(folder, "a.jpg", 300, 201, {0, 0, 255});
    Handle second = Open(path);
    ASSERT_NE(vimbral::Stretch(second.get(), 30, 20), 0);
    std::vector<std::uint32_t> pixels(30 * 20);
    vimbral::Canvas canvas{pixels.data(), 30, 20, 120};
    ASSERT_NE(vimbral::Draw(second.get(), &canvas, 0, 0), 0);
    EXPECT_TRUE(Near(ColourOf(pixels[10 * 30 + 15]), {0, 0, 255}, 8));
}

TEST_F(Vimbral, ASecondLoadOfTheSameFileGivesTheSamePicture) {
    const std::string path = MakeJpeg(folder, "a.jpg", 800, 600, Noise);
    const auto thumbnailAfter = [&](int firstWidth, int firstHeight, const std::string& name) {
        Handle large = Open(path);
        if (firstWidth > 0) {
            vimbral::Stretch(large.get(), firstWidth, firstHeight);
        }
        Handle thumb = Open(path);
        vimbral::Stretch(thumb.get(), 100, 75);
        vimbral::Save(thumb.get(), (folder / name).c_str(), -1);
        return DrawnPixels(folder / name);
    };
    const auto fresh = thumbnailAfter(0, 0, "fresh.jpg");
    const auto reused = thumbnailAfter(640, 480, "reused.jpg");
    ASSERT_EQ(fresh.size(), reused.size());
    // Resampled from the kept 640 x 480 decode or from the file: the same picture, give or take.
    int far = 0;
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        far += Near(ColourOf(fresh[i]), ColourOf(reused[i]), 40) ? 0 : 1;
    }
    EXPECT_LT(far, static_cast<int>(fresh.size() / 50));
}

// The process's mappings of code generated at run time: orc's dual-mapped "orcexec" files, or a
// writable and executable anonymous region where orc falls back to one.
std::vector<std::string> GeneratedCodeMappings() {
    std::vector<std::string> found;
    std::istringstream maps(ReadFile("/proc/self/maps"));
    for (std::string line; std::getline(maps, line);) {
        std::istringstream fields(line);
        std::string range, permissions;
        fields >> range >> permissions;
        if (line.find("orcexec") != std::string::npos || permissions == "rwxp") {
            found.push_back(line);
        }
    }
    return found;
}

// Conversions run on several threads at once, and orc's code memory is not safe for that: a
// resampler freeing its program on one thread while another compiles corrupts the heap. So
// Vimbral resamples without code generated at run time.
TEST_F(Vimbral, ResamplingGeneratesNoCodeAtRunTime) {
    const std::string path = MakeJpeg(folder, "p.jpg", 640, 480, Noise);
    Handle image = Open(path);
    ASSERT_NE(vimbral::Shrink(image.get(), 500, 375), 0);  // from the file
    ASSERT_NE(vimbral::Shrink(image.get(), 210, 157), 0);  // from memory
    ASSERT_NE(vimbral::Stretch(image.get(), 150, 110), 0);
    ASSERT_NE(vimbral::Save(image.get(), (folder / "out.webp").c_str(), vimbral::kFormatWebp), 0);
    EXPECT_EQ(GeneratedCodeMappings(), std::vector<std::string>{});
}

// A 3 x 2 picture of known colours drawn onto a 4 x 3 canvas with padded rows.
class VimbralDraw : public Vimbral {
protected:
    static Rgb Cell(int x, int y, int, int) {
        return {static_cast<std::uint8_t>(10 + x), static_cast<std::uint8_t>(20 + y), 30};
    }
    static std::uint32_t Expected(int x, int y) {
        return 0xFF000000u | (static_cast<std::uint32_t>(10 + x) << 16) |
               (static_cast<std::uint32_t>(20 + y) << 8) | 30u;
    }

    static constexpr std::uint32_t kBlank = 0x12345678;
    static constexpr int kStride = 6;  // in pixels: 4 used, 2 of padding

    std::vector<std::uint32_t> DrawAt(int x, int y, int* result = nullptr) {
        Handle image = Open(folder.Write("cells.bmp", BmpBytes(3, 2, Cell)));
        std::vector<std::uint32_t> pixels(kStride * 3, kBlank);
        vimbral::Canvas canvas{pixels.data(), 4, 3, kStride * 4};
        const int drawn = vimbral::Draw(image.get(), &canvas, x, y);
        if (result != nullptr) {
            *result = drawn;
        }
        return pixels;
    }
    static std::uint32_t At(const std::vector<std::uint32_t>& pixels, int x, int y) {
        return pixels[y * kStride + x];
    }
};

TEST_F(VimbralDraw, PaintsTheExactPixels) {
    const auto pixels = DrawAt(1, 1);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < kStride; ++x) {
            const bool covered = x >= 1 && x < 4 && y >= 1;
            EXPECT_EQ(At(pixels, x, y), covered ? Expected(x - 1, y - 1) : kBlank) << x << "," << y;
        }
    }
}

TEST_F(VimbralDraw, ClipsAtNegativeCoordinates) {
    const auto pixels = DrawAt(-2, -1);
    EXPECT_EQ(At(pixels, 0, 0), Expected(2, 1));
    EXPECT_EQ(At(pixels, 1, 0), kBlank);
    EXPECT_EQ(At(pixels, 0, 1), kBlank);
}

TEST_F(VimbralDraw, ClipsAtTheFarEdgesAndLeavesThePaddingAlone) {
    const auto pixels = DrawAt(2, 2);
    EXPECT_EQ(At(pixels, 2, 2), Expected(0, 0));
    EXPECT_EQ(At(pixels, 3, 2), Expected(1, 0));
    for (int x = 4; x < kStride; ++x) {
        for (int y = 0; y < 3; ++y) {
            EXPECT_EQ(At(pixels, x, y), kBlank);
        }
    }
}

TEST_F(VimbralDraw, EntirelyOutsideDrawsNothing) {
    for (const auto& [x, y] : {std::pair{4, 0},
                               {0, 3},
                               {-3, 0},
                               {0, -2},
                               {2'000'000'000, 2'000'000'000},
                               {-2'000'000'000, -2'000'000'000}}) {
        const auto pixels = DrawAt(x, y);
        EXPECT_EQ(std::count(pixels.begin(), pixels.end(), kBlank), kStride * 3);
    }
}

TEST_F(VimbralDraw, RefusesABadCanvas) {
    Handle image = Open(folder.Write("cells.bmp", BmpBytes(3, 2, Cell)));
    std::vector<std::uint32_t> pixels(16);
    vimbral::Canvas noPixels{nullptr, 4, 4, 16};
    vimbral::Canvas shortStride{pixels.data(), 4, 4, 8};
    EXPECT_EQ(vimbral::Draw(image.get(), &noPixels, 0, 0), 0);
    EXPECT_EQ(vimbral::Draw(image.get(), &shortStride, 0, 0), 0);
    EXPECT_EQ(vimbral::Draw(image.get(), nullptr, 0, 0), 0);
}

TEST_F(VimbralDraw, DrawsAStretchedPicture) {
    Handle image = Open(folder.Write("solid.bmp", SolidBmpBytes(30, 20, {0, 200, 0})));
    ASSERT_NE(vimbral::Stretch(image.get(), 3, 2), 0);
    std::vector<std::uint32_t> pixels(12, kBlank);
    vimbral::Canvas canvas{pixels.data(), 4, 3, 16};
    ASSERT_NE(vimbral::Draw(image.get(), &canvas, 0, 0), 0);
    EXPECT_TRUE(Near(ColourOf(pixels[0]), {0, 200, 0}, 4));
    EXPECT_EQ(pixels[3], kBlank);
    EXPECT_EQ(pixels[8], kBlank);
}

}  // namespace
