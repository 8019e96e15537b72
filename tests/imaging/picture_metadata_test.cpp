// Captions, titles and dates of real picture files, written by exiftool and read through Vimbral.

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/picture_words.h"
#include "imaging/embedded_metadata.h"
#include "imaging/vimbral/vimbral.h"
#include "tests/imaging/test_pictures.h"
#include "tests/support/exiftool.h"

namespace {

class PictureMetadata : public ::testing::Test {
protected:
    std::string Jpeg(const std::string& name, const std::vector<std::string>& tags) {
        const std::string path = MakeJpeg(folder, name, 32, 24);
        if (!tags.empty()) {
            EXPECT_TRUE(WriteTags(path, tags)) << name;
        }
        return path;
    }
    PictureWords Words(const std::string& path) { return ReadPictureWords(path, &reader); }

    TempFolder folder;
    VimbralMetadataReader reader;
};

}  // namespace

TEST_F(PictureMetadata, EachEmbeddedSourceAlone) {
    EXPECT_EQ(Words(Jpeg("xmp.jpg", {"-XMP-dc:Description=From XMP"})).caption, "From XMP");
    EXPECT_EQ(Words(Jpeg("iptc.jpg", {"-IPTC:Caption-Abstract=From IPTC"})).caption, "From IPTC");
    EXPECT_EQ(Words(Jpeg("exif.jpg", {"-EXIF:ImageDescription=From EXIF"})).caption, "From EXIF");
    EXPECT_EQ(Words(Jpeg("xt.jpg", {"-XMP-dc:Title=XMP title"})).title, "XMP title");
    EXPECT_EQ(Words(Jpeg("it.jpg", {"-IPTC:ObjectName=IPTC title"})).title, "IPTC title");
    const PictureWords none = Words(Jpeg("none.jpg", {}));
    EXPECT_EQ(none.caption, "");
    EXPECT_EQ(none.title, "");
    EXPECT_FALSE(none.taken);
}

TEST_F(PictureMetadata, SourcesInConflictFollowTheOrder) {
    const std::string path = Jpeg(
        "all.jpg", {"-XMP-dc:Description=xmp", "-IPTC:Caption-Abstract=iptc", "-EXIF:ImageDescription=exif",
                    "-XMP-dc:Title=xmp title", "-IPTC:ObjectName=iptc title"});
    EXPECT_EQ(Words(path).caption, "xmp");
    EXPECT_EQ(Words(path).title, "xmp title");
    folder.Write("all.xmp",
                 "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
                 "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
                 "xmlns:dc='http://purl.org/dc/elements/1.1/' dc:description='sidecar'/></rdf:RDF>"
                 "</x:xmpmeta>");
    EXPECT_EQ(Words(path).caption, "sidecar");
    folder.Write("all.txt", "text file");
    EXPECT_EQ(Words(path).caption, "text file");
    // The title does not come from the text file or a sidecar without one.
    EXPECT_EQ(Words(path).title, "xmp title");
    std::filesystem::remove(folder / "all.txt");
    std::filesystem::remove(folder / "all.xmp");
    ASSERT_TRUE(WriteTags(path, {"-XMP-dc:Description=", "-XMP-dc:Title="}));
    EXPECT_EQ(Words(path).caption, "iptc");
    EXPECT_EQ(Words(path).title, "iptc title");
    ASSERT_TRUE(WriteTags(path, {"-IPTC:Caption-Abstract="}));
    EXPECT_EQ(Words(path).caption, "exif");
}

TEST_F(PictureMetadata, IptcInUtf8AndLatin1) {
    const std::string utf8 = Jpeg("utf8.jpg", {"-IPTC:CodedCharacterSet=UTF8",
                                               "-IPTC:Caption-Abstract=Gr\xC3\xBC\xC3\x9F"
                                               "e aus K\xC3\xB6ln"});
    EXPECT_EQ(Words(utf8).caption,
              "Gr\xC3\xBC\xC3\x9F"
              "e aus K\xC3\xB6ln");
    // exiftool stores the text as Latin-1 bytes, with no coded character set declared.
    const std::string latin1 = Jpeg("latin1.jpg", {"-charset", "iptc=Latin",
                                                   "-IPTC:Caption-Abstract=Gr\xC3\xBC\xC3\x9F"
                                                   "e aus K\xC3\xB6ln"});
    vimbral::MetadataBlocks blocks;
    ASSERT_EQ(vimbral::ReadMetadataBlocks(latin1.c_str(), &blocks), 1);
    EXPECT_NE(blocks.iptc.find("Gr\xFC\xDF"
                               "e"),
              std::string::npos);
    EXPECT_EQ(Words(latin1).caption,
              "Gr\xC3\xBC\xC3\x9F"
              "e aus K\xC3\xB6ln");
}

TEST_F(PictureMetadata, HostileLongAndStockTexts) {
    const std::string hostile = "<script>alert('x')</script> & \"quoted\"";
    EXPECT_EQ(Words(Jpeg("hostile.jpg", {"-XMP-dc:Description=" + hostile})).caption, hostile);
    const std::string longText(5000, 'a');
    EXPECT_EQ(Words(Jpeg("long.jpg", {"-XMP-dc:Description=" + longText})).caption, std::string(2000, 'a'));
    // A camera's stock text is no caption; a real one further down the order is taken instead.
    EXPECT_EQ(Words(Jpeg("olympus.jpg", {"-EXIF:ImageDescription=OLYMPUS DIGITAL CAMERA         "})).caption,
              "");
    EXPECT_EQ(Words(Jpeg("sony.jpg", {"-IPTC:Caption-Abstract=SONY DSC", "-EXIF:ImageDescription=The pier"}))
                  .caption,
              "The pier");
    EXPECT_EQ(Words(Jpeg("blank.jpg", {"-EXIF:ImageDescription=     "})).caption, "");
}

TEST_F(PictureMetadata, DateTakenNeverTheLastEdit) {
    const PictureWords both =
        Words(Jpeg("dates.jpg", {"-EXIF:DateTimeOriginal=2019:07:01 18:30:00",
                                 "-EXIF:OffsetTimeOriginal=-04:00", "-EXIF:ModifyDate=2024:01:01 00:00:00"}));
    ASSERT_TRUE(both.taken);
    EXPECT_EQ(both.taken->Display(), "2019-07-01 18:30");
    EXPECT_EQ(both.taken->Iso(), "2019-07-01T18:30:00-04:00");
    // Only the last edit: no date taken at all.
    EXPECT_FALSE(Words(Jpeg("edited.jpg", {"-EXIF:ModifyDate=2024:01:01 00:00:00"})).taken);
    const PictureWords xmp = Words(Jpeg("xmpdate.jpg", {"-XMP-photoshop:DateCreated=2018:05:06 07:08:09"}));
    ASSERT_TRUE(xmp.taken);
    EXPECT_EQ(xmp.taken->Display(), "2018-05-06 07:08");
    const PictureWords iptc =
        Words(Jpeg("iptcdate.jpg", {"-IPTC:DateCreated=2017:02:03", "-IPTC:TimeCreated=10:11:12+01:00"}));
    ASSERT_TRUE(iptc.taken);
    EXPECT_EQ(iptc.taken->Iso(), "2017-02-03T10:11:12+01:00");
    // EXIF comes first when all say something.
    const PictureWords order = Words(Jpeg("order.jpg", {"-EXIF:DateTimeOriginal=2019:07:01 18:30:00",
                                                        "-XMP-photoshop:DateCreated=2018:05:06 07:08:09"}));
    EXPECT_EQ(order.taken->Display(), "2019-07-01 18:30");
}

TEST_F(PictureMetadata, OtherFormatsAndUnreadableFiles) {
    const std::string png = MakeWithMagick(folder, "p.png", 20, 20);
    ASSERT_TRUE(WriteTags(png, {"-XMP-dc:Description=In a PNG"}));
    EXPECT_EQ(Words(png).caption, "In a PNG");
    const std::string tiff = MakeWithMagick(folder, "p.tif", 20, 20);
    ASSERT_TRUE(WriteTags(tiff, {"-EXIF:ImageDescription=In a TIFF", "-IPTC:ObjectName=TIFF title"}));
    EXPECT_EQ(Words(tiff).caption, "In a TIFF");
    EXPECT_EQ(Words(tiff).title, "TIFF title");
    vimbral::MetadataBlocks blocks;
    EXPECT_EQ(vimbral::ReadMetadataBlocks(folder.Write("junk.jpg", "not a picture").c_str(), &blocks), 0);
    EXPECT_EQ(vimbral::ReadMetadataBlocks((folder / "missing.jpg").c_str(), &blocks), 0);
    EXPECT_EQ(vimbral::ReadMetadataBlocks(nullptr, &blocks), 0);
    // A BMP carries none of the blocks; its sidecar still gives it a caption.
    const std::string bmp = folder.Write("b.bmp", BmpBytes(8, 8));
    folder.Write("b.bmp.txt", "Bitmap caption");
    EXPECT_EQ(Words(bmp).caption, "Bitmap caption");
}
