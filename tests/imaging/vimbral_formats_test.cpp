// Vimbral on every admitted format and on bad input: each gives a correct picture or none, never a
// crash, a hang or unbounded memory.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

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

// The colour in the middle of a picture, as drawn.
Rgb MiddleColour(const std::string& path) {
    int w = 0, h = 0;
    const auto pixels = DrawnPixels(path, &w, &h);
    return pixels.empty() ? Rgb{} : ColourOf(pixels[static_cast<std::size_t>(h / 2) * w + w / 2]);
}

// Loads, shrinks and writes a picture as the conversion does; true when a JPEG of that size came out.
bool ConvertsToJpeg(const TempFolder& folder, const std::string& path, int width, int height) {
    Handle image = Open(path);
    if (!image) {
        return false;
    }
    const std::string out = folder / "out.jpg";
    std::remove(out.c_str());
    if (!vimbral::Stretch(image.get(), width, height) || !vimbral::Save(image.get(), out.c_str(), 5)) {
        return false;
    }
    return IsJpegFile(out) && SizeOf(out) == (Size{width, height});
}

class VimbralFormats : public ::testing::Test {
protected:
    TempFolder folder;
};

TEST_F(VimbralFormats, ReadsEveryAdmittedFormat) {
    const Rgb expected = Gradient(32, 24, 64, 48);
    const std::string files[] = {
        folder.Write("a.bmp", BmpBytes(64, 48)),
        MakeJpeg(folder, "a.jpg", 64, 48),
        MakeJpeg(folder, "a.jpeg", 64, 48),
        MakeWithMagick(folder, "a.gif", 64, 48),
        MakeWithMagick(folder, "a.tif", 64, 48),
        MakeWithMagick(folder, "a.tiff", 64, 48, "-compress lzw"),
        MakeWithMagick(folder, "a.pcx", 64, 48),
        MakeWithMagick(folder, "a.tga", 64, 48),
        MakeWithMagick(folder, "rle.tga", 64, 48, "-compress rle"),
        MakeWithMagick(folder, "palette.bmp", 64, 48, "-type palette"),
        MakeWithMagick(folder, "palette.pcx", 64, 48, "-type palette"),
        MakeWithMagick(folder, "a.png", 64, 48),
        MakeWithMagick(folder, "deep.png", 64, 48, "-depth 16"),
        MakeWithMagick(folder, "interlaced.png", 64, 48, "-interlace PNG"),
        MakeWithMagick(folder, "a.webp", 64, 48, "-define webp:lossless=true"),
        MakeWithMagick(folder, "lossy.webp", 64, 48, "-quality 90"),
        MakeWithMagick(folder, "a.heic", 64, 48, "-quality 90"),
        MakeWithMagick(folder, "a.heif", 64, 48, "-quality 90"),
        MakeWithMagick(folder, "a.avif", 64, 48, "-quality 90"),
    };
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        Handle image = Open(file);
        ASSERT_TRUE(image);
        EXPECT_EQ(vimbral::GetWidth(image.get()), 64);
        EXPECT_EQ(vimbral::GetHeight(image.get()), 48);
        EXPECT_TRUE(Near(MiddleColour(file), expected, 40));
        EXPECT_TRUE(ConvertsToJpeg(folder, file, 32, 24));
    }
}

TEST_F(VimbralFormats, BitsFollowTheSource) {
    const auto bits = [](const std::string& path) {
        Handle image = Open(path);
        return image ? vimbral::GetNumBits(image.get()) : -1;
    };
    EXPECT_EQ(bits(MakeJpeg(folder, "a.jpg", 16, 16)), 24);
    EXPECT_EQ(bits(folder.Write("a.bmp", BmpBytes(16, 16))), 24);
    EXPECT_EQ(bits(MakeWithMagick(folder, "a.gif", 16, 16)), 8);
    EXPECT_EQ(bits(MakeWithMagick(folder, "grey.jpg", 16, 16, "-colorspace Gray")), 8);
    EXPECT_EQ(bits(MakeWithMagick(folder, "palette.bmp", 16, 16, "-type palette")), 8);
}

TEST_F(VimbralFormats, ContentDecidesNotTheName) {
    // A BMP named .jpg and a JPEG named .tga are read for what they are.
    const std::string bmp = folder.Write("really-bmp.jpg", BmpBytes(20, 10));
    const std::string jpeg = MakeJpeg(folder, "really-jpeg.tga", 20, 10);
    EXPECT_EQ(SizeOf(bmp), (Size{20, 10}));
    EXPECT_EQ(SizeOf(jpeg), (Size{20, 10}));
}

TEST_F(VimbralFormats, ColonInThePathIsNotAFormatPrefix) {
    const std::string file = folder.Write("gif:odd.bmp", BmpBytes(20, 10));
    EXPECT_EQ(SizeOf(file), (Size{20, 10}));
    EXPECT_TRUE(ConvertsToJpeg(folder, file, 10, 5));
}

TEST_F(VimbralFormats, ExifOrientationOfPngAndWebpIsAppliedAsForJpeg) {
    const std::string turned =
        folder.Write("turned.jpg", WithExifOrientation(ReadFile(MakeJpeg(folder, "plain.jpg", 64, 48)), 6));
    ASSERT_EQ(SizeOf(turned), (Size{48, 64}));
    for (const char* name : {"turned.png", "turned.webp"}) {
        SCOPED_TRACE(name);
        // libvips' own tool carries the EXIF block over into the PNG or WebP file.
        ASSERT_EQ(std::system(("vips copy '" + turned + "' '" + (folder / name) + "' 2>/dev/null").c_str()),
                  0);
        EXPECT_EQ(SizeOf(folder / name), (Size{48, 64}));
        EXPECT_TRUE(ConvertsToJpeg(folder, folder / name, 24, 32));
    }
}

TEST_F(VimbralFormats, CmykJpegBecomesSrgb) {
    const std::string file = MakeWithMagick(folder, "cmyk.jpg", 64, 48, "-colorspace CMYK");
    EXPECT_EQ(SizeOf(file), (Size{64, 48}));
    EXPECT_TRUE(Near(MiddleColour(file), Gradient(32, 24, 64, 48), 48));
    EXPECT_TRUE(ConvertsToJpeg(folder, file, 32, 24));
    EXPECT_TRUE(Near(MiddleColour(folder / "out.jpg"), Gradient(32, 24, 64, 48), 48));
}

TEST_F(VimbralFormats, SixteenBitTiffAndGreyscaleBecomeEightBitSrgb) {
    const std::string deep = MakeWithMagick(folder, "deep.tif", 64, 48, "-depth 16");
    const std::string grey = MakeWithMagick(folder, "grey.jpg", 64, 48, "-colorspace Gray");
    const std::string greyTiff = MakeWithMagick(folder, "grey16.tif", 64, 48, "-colorspace Gray -depth 16");
    EXPECT_TRUE(Near(MiddleColour(deep), Gradient(32, 24, 64, 48), 8));
    const Rgb g = MiddleColour(grey);
    EXPECT_TRUE(g.r == g.g && g.g == g.b && g.r > 60 && g.r < 200);
    EXPECT_TRUE(ConvertsToJpeg(folder, deep, 32, 24));
    EXPECT_TRUE(ConvertsToJpeg(folder, grey, 32, 24));
    EXPECT_TRUE(ConvertsToJpeg(folder, greyTiff, 32, 24));
}

TEST_F(VimbralFormats, AnimatedGifGivesItsFirstFrame) {
    const std::string red = folder.Write("red.bmp", SolidBmpBytes(40, 30, {255, 0, 0}));
    const std::string blue = folder.Write("blue.bmp", SolidBmpBytes(40, 30, {0, 0, 255}));
    const std::string anim = folder / "anim.gif";
    ASSERT_TRUE(RunConvert("-delay 10 '" + red + "' '" + blue + "' -loop 0 '" + anim + "'"));
    EXPECT_EQ(SizeOf(anim), (Size{40, 30}));
    EXPECT_TRUE(Near(MiddleColour(anim), {255, 0, 0}, 8));
    EXPECT_TRUE(ConvertsToJpeg(folder, anim, 20, 15));
}

TEST_F(VimbralFormats, TransparencyIsFlattenedOntoWhite) {
    const std::string clear = "-alpha set -channel A -evaluate set 0 +channel";
    for (const char* name : {"clear.tif", "clear.png", "clear.webp"}) {
        SCOPED_TRACE(name);
        const std::string file = MakeWithMagick(folder, name, 16, 16, clear);
        EXPECT_TRUE(Near(MiddleColour(file), {255, 255, 255}, 2));
        EXPECT_TRUE(ConvertsToJpeg(folder, file, 8, 8));
    }
    // Half transparent: half way between the colour and white.
    const std::string half = MakeWithMagick(folder, "half.png", 16, 16,
                                            "-alpha set -channel A -evaluate set 50% +channel", Gradient);
    const Rgb colour = Gradient(8, 8, 16, 16);
    const auto blend = [](std::uint8_t c) { return static_cast<std::uint8_t>((c + 255) / 2); };
    EXPECT_TRUE(Near(MiddleColour(half), {blend(colour.r), blend(colour.g), blend(colour.b)}, 12));
}

TEST_F(VimbralFormats, UnreadableFilesGiveNoHandle) {
    EXPECT_FALSE(Open(folder.Write("empty.jpg", "")));
    EXPECT_FALSE(Open(folder.Write("text.jpg", "This is not a picture at all.\n")));
    EXPECT_FALSE(Open(folder.Write("text.tga", "This is not a picture at all either.\n")));
    EXPECT_FALSE(Open(folder.Write("noise.bmp", "BM and then nothing that makes sense")));
    EXPECT_FALSE(Open(folder / "missing.jpg"));
    EXPECT_FALSE(Open(folder.MakeFolder("folder.jpg")));
    EXPECT_FALSE(Open(""));
    Handle image(vimbral::InitImageObject());
    EXPECT_EQ(vimbral::Load(image.get(), nullptr, nullptr, -1, -1), 0);
}

TEST_F(VimbralFormats, OtherFormatsAreNotRead) {
    // libvips could render an SVG or a PDF at any size: Vimbral reads pictures only.
    EXPECT_FALSE(Open(folder.Write("drawing.jpg",
                                   "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" "
                                   "height=\"10\"><rect width=\"10\" height=\"10\"/></svg>")));
    EXPECT_FALSE(Open(folder.Write("table.jpg", "1 2 3\n4 5 6\n")));
}

TEST_F(VimbralFormats, AFifoNamedLikeAPictureDoesNotHang) {
    const std::string fifo = folder / "pipe.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(Open(fifo));
}

TEST_F(VimbralFormats, HugeHeadersAreRefusedBeforeDecoding) {
    EXPECT_FALSE(Open(folder.Write("huge.bmp", BmpHeaderOnly(100'000, 100'000))));
    EXPECT_FALSE(Open(folder.Write("wide.bmp", BmpHeaderOnly(40'000, 10))));
    const std::string jpeg = ReadFile(MakeJpeg(folder, "small.jpg", 16, 16));
    EXPECT_FALSE(Open(folder.Write("huge.jpg", WithJpegSize(jpeg, 65'000, 65'000))));
    EXPECT_FALSE(Open(folder.Write("tall.jpg", WithJpegSize(jpeg, 16, 40'000))));
}

TEST_F(VimbralFormats, AHeaderWithoutPixelsLoadsButWritesNothing) {
    // Within the limits but with no pixel data: a handle, and then no output at all.
    Handle image = Open(folder.Write("hollow.bmp", BmpHeaderOnly(2000, 1000)));
    if (image) {
        EXPECT_EQ(vimbral::Stretch(image.get(), 100, 50), 0);
        EXPECT_EQ(vimbral::Save(image.get(), (folder / "hollow.jpg").c_str(), 5), 0);
    }
    EXPECT_FALSE(FileExists(folder / "hollow.jpg"));
}

TEST_F(VimbralFormats, TruncatedJpegWritesNothing) {
    const std::string whole = ReadFile(MakeJpeg(folder, "whole.jpg", 256, 256, Noise));
    const std::string cut = folder.Write("cut.jpg", whole.substr(0, whole.size() / 2));
    Handle shrunk = Open(cut);
    if (shrunk) {
        EXPECT_EQ(vimbral::Stretch(shrunk.get(), 64, 64), 0);
        EXPECT_EQ(vimbral::Save(shrunk.get(), (folder / "a.jpg").c_str(), 5), 0);
    }
    Handle kept = Open(cut);
    if (kept) {
        EXPECT_EQ(vimbral::Save(kept.get(), (folder / "b.jpg").c_str(), 5), 0);
    }
    EXPECT_FALSE(FileExists(folder / "a.jpg"));
    EXPECT_FALSE(FileExists(folder / "b.jpg"));
}

}  // namespace
