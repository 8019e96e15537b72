// One look at an output file: the mark it carries and whether it is whole, read from its head
// (and a WebP file's chunk headers) without decoding it.

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "imaging/output_provenance.h"
#include "imaging/source_dimensions.h"
#include "imaging/vimbral/vimbral.h"
#include "tests/imaging/test_pictures.h"

namespace {

const std::string kMark =
    "galvane-conversion=2 output=variant size=40x30 source-name=a%20b.jpg source-size=1 "
    "source-mtime=1.000000000 source-head=0123456789abcdef limits=100x100 webp quality=72";

struct Look {
    int length = -1;
    std::string comment;
    int whole = -2;
};

Look LookAt(const std::string& path) {
    char buffer[4096];
    Look look;
    look.length = vimbral::InspectFile(path.c_str(), buffer, sizeof buffer, &look.whole);
    if (look.length >= 0) {
        look.comment.assign(buffer, static_cast<std::size_t>(std::min(look.length, 4095)));
    }
    return look;
}

// A picture written through Vimbral in `format`, carrying `comment` (none when empty).
std::string Written(const TempFolder& folder, const std::string& name, int format, const std::string& comment,
                    int width = 40, int height = 30) {
    const std::string source = MakeJpeg(folder, "source-" + name + ".jpg", width, height, Noise);
    const std::string out = folder / name;
    vimbral::Image image = vimbral::InitImageObject(source.c_str(), nullptr, -1, -1);
    EXPECT_NE(image, nullptr);
    if (!comment.empty()) {
        EXPECT_EQ(vimbral::SetComment(image, comment.c_str()), 1);
    }
    EXPECT_NE(vimbral::Save(image, out.c_str(), format), 0);
    vimbral::DeleteImageObject(image);
    return out;
}

std::string Put(const TempFolder& folder, const std::string& name, const std::string& bytes) {
    return folder.Write(name, bytes);
}

TEST(FileInspection, FilesWrittenThroughVimbralAreWholeAndCarryTheirMark) {
    TempFolder folder;
    for (const int format : {vimbral::kFormatJpeg, vimbral::kFormatWebp}) {
        SCOPED_TRACE(format);
        const std::string out =
            Written(folder, format == vimbral::kFormatWebp ? "m.webp" : "m.jpg", format, kMark);
        const Look look = LookAt(out);
        EXPECT_EQ(look.length, static_cast<int>(kMark.size()));
        EXPECT_EQ(look.comment, kMark);
        EXPECT_EQ(look.whole, 1);
        EXPECT_EQ(ReadProvenance(out), kMark);
        EXPECT_TRUE(IsOutputUpToDate(out, kMark));
        EXPECT_FALSE(IsOutputUpToDate(out, kMark + " "));
        // The same without a comment: whole, and no mark.
        const std::string bare =
            Written(folder, format == vimbral::kFormatWebp ? "bare.webp" : "bare.jpg", format, "");
        const Look plain = LookAt(bare);
        EXPECT_EQ(plain.length, -1);
        EXPECT_EQ(plain.whole, 1);
        EXPECT_FALSE(ReadProvenance(bare));
        EXPECT_FALSE(IsOutputUpToDate(bare, kMark));
    }
    // A GIF is not told whole or not: its caller loads it.
    const std::string gif = Written(folder, "m.gif", vimbral::kFormatGif, kMark);
    EXPECT_EQ(LookAt(gif).comment, kMark);
    EXPECT_EQ(LookAt(gif).whole, -1);
    EXPECT_TRUE(IsOutputUpToDate(gif, kMark));
}

TEST(FileInspection, AUsersFilesCarryNoMark) {
    TempFolder folder;
    // A camera's JPEG (no comment at all), one with a comment of its own, and files of no picture.
    const std::string camera = MakeJpeg(folder, "camera.jpg", 64, 48);
    EXPECT_EQ(LookAt(camera).length, -1);
    EXPECT_FALSE(ReadProvenance(camera));
    const std::string own =
        Written(folder, "own.webp", vimbral::kFormatWebp, "my holiday, galvane-conversion=2");
    EXPECT_EQ(LookAt(own).comment, "my holiday, galvane-conversion=2");
    EXPECT_FALSE(ReadProvenance(own));
    EXPECT_FALSE(IsOutputUpToDate(own, "my holiday, galvane-conversion=2"));
    for (const std::string& bytes : {std::string(), std::string("\xFF\xD8"), std::string("RIFF"),
                                     std::string("just some text, " + kMark)}) {
        const std::string path = Put(folder, "x.jpg", bytes);
        EXPECT_EQ(LookAt(path).length, -1) << bytes;
        EXPECT_EQ(LookAt(path).whole, 0) << bytes;
        EXPECT_FALSE(IsOutputUpToDate(path, kMark)) << bytes;
    }
    EXPECT_EQ(LookAt(folder / "missing.webp").length, -1);
    EXPECT_EQ(LookAt(folder / "missing.webp").whole, 0);
    // A FIFO is not read (it would hang the look), nor a folder.
    const std::string fifo = folder / "pipe.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(LookAt(fifo).length, -1);
    EXPECT_EQ(LookAt(fifo).whole, 0);
    EXPECT_EQ(LookAt(folder.path()).length, -1);
}

TEST(FileInspection, CutOrDamagedFilesAreNotWhole) {
    TempFolder folder;
    for (const int format : {vimbral::kFormatJpeg, vimbral::kFormatWebp}) {
        const bool webp = format == vimbral::kFormatWebp;
        SCOPED_TRACE(webp ? "webp" : "jpeg");
        const std::string whole = ReadFile(Written(folder, webp ? "w.webp" : "w.jpg", format, kMark));
        ASSERT_GT(whole.size(), 400u);
        // Cut anywhere: within the header, the mark, the pixels, or one byte short.
        for (const std::size_t keep : {std::size_t{1}, std::size_t{3}, std::size_t{11}, std::size_t{30},
                                       std::size_t{200}, whole.size() / 2, whole.size() - 1}) {
            SCOPED_TRACE(keep);
            const std::string path = Put(folder, webp ? "cut.webp" : "cut.jpg", whole.substr(0, keep));
            EXPECT_NE(LookAt(path).whole, 1);
            EXPECT_FALSE(IsOutputUpToDate(path, kMark));
        }
        // A cut after the mark still shows the mark (so the file is known as Galvane's own and
        // remade), but not as up to date.
        const std::string late =
            Put(folder, webp ? "late.webp" : "late.jpg", whole.substr(0, whole.size() - 1));
        if (!webp) {  // a WebP file's mark comes after its picture: cut, it is gone
            EXPECT_EQ(ReadProvenance(late), kMark);
        }
        // Bytes added after the end.
        const std::string longer = Put(folder, webp ? "long.webp" : "long.jpg", whole + "\x01\x02");
        EXPECT_EQ(LookAt(longer).whole, 0);
    }
    // A JPEG whose frame claims no size, and one with no frame before its scan.
    const std::string jpeg = ReadFile(Written(folder, "f.jpg", vimbral::kFormatJpeg, kMark));
    EXPECT_EQ(LookAt(Put(folder, "zero.jpg", WithJpegSize(jpeg, 0, 30))).whole, 0);
    EXPECT_EQ(LookAt(Put(folder, "sized.jpg", WithJpegSize(jpeg, 41, 30))).whole, 1);
    std::string noFrame = jpeg;
    std::size_t sof = 2;
    while (sof + 4 < noFrame.size() && !(noFrame[sof + 1] >= '\xC0' && noFrame[sof + 1] <= '\xC2')) {
        sof += 2 + (static_cast<unsigned char>(noFrame[sof + 2]) << 8 |
                    static_cast<unsigned char>(noFrame[sof + 3]));
    }
    ASSERT_LT(sof + 4, noFrame.size());
    noFrame[sof + 1] = '\xEF';  // the frame header becomes an APP15 segment
    EXPECT_EQ(LookAt(Put(folder, "noframe.jpg", noFrame)).whole, 0);
    // A WebP file whose RIFF length is one short, and one whose picture chunk is not VP8's.
    const std::string webp = ReadFile(Written(folder, "f.webp", vimbral::kFormatWebp, kMark));
    std::string shortRiff = webp;
    shortRiff[4] = static_cast<char>(static_cast<unsigned char>(shortRiff[4]) - 2);
    EXPECT_EQ(LookAt(Put(folder, "riff.webp", shortRiff)).whole, 0);
    std::string noPicture = webp;
    const std::size_t vp8 = noPicture.find("VP8 ");
    ASSERT_NE(vp8, std::string::npos);
    noPicture[vp8 + 8 + 3] = 0;  // the key frame's start code
    EXPECT_EQ(LookAt(Put(folder, "nopic.webp", noPicture)).whole, 0);
}

TEST(FileInspection, ALongHeadBeforeTheCommentIsReadFurther) {
    TempFolder folder;
    const std::string jpeg = ReadFile(Written(folder, "h.jpg", vimbral::kFormatJpeg, kMark));
    // An APP2 segment (as a large colour profile) of 60,000 bytes right after the start marker.
    std::string segment = "\xFF\xE2";
    segment += static_cast<char>((60002 >> 8) & 0xFF);
    segment += static_cast<char>(60002 & 0xFF);
    segment += std::string(60000, 'p');
    const std::string path = Put(folder, "long-head.jpg", jpeg.substr(0, 2) + segment + jpeg.substr(2));
    const Look look = LookAt(path);
    EXPECT_EQ(look.comment, kMark);
    EXPECT_EQ(look.whole, 1);
    EXPECT_EQ(SizeOf(path), (Size{40, 30}));  // and libvips agrees it is a picture
}

TEST(SourceDimensions, AReplacedSourceIsReadAgainEvenWithItsOldTime) {
    TempFolder folder;
    const std::string path = MakeJpeg(folder, "s.jpg", 40, 30);
    EXPECT_EQ(SourceDimensions(path), (PictureSize{40, 30}));
    EXPECT_EQ(SourceDimensions(path), (PictureSize{40, 30}));
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    // Rewritten in place at another size, and its modification time set back.
    const std::string other = ReadFile(MakeJpeg(folder, "o.jpg", 30, 40));
    Put(folder, "s.jpg", other);
    const timeval times[2] = {{before.st_atim.tv_sec, 0},
                              {before.st_mtim.tv_sec, before.st_mtim.tv_nsec / 1000}};
    ASSERT_EQ(::utimes(path.c_str(), times), 0);
    EXPECT_EQ(SourceDimensions(path), (PictureSize{30, 40}));
    Put(folder, "s.jpg", "no longer a picture");
    EXPECT_FALSE(SourceDimensions(path));
    EXPECT_FALSE(SourceDimensions(folder / "missing.jpg"));
}

}  // namespace
