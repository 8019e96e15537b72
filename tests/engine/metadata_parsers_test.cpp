// The EXIF, IPTC and XMP readers and the date and text rules, on blocks built byte by byte.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/exif_reader.h"
#include "engine/iptc_reader.h"
#include "engine/picture_words.h"
#include "engine/text_encoding.h"
#include "engine/xmp_reader.h"

namespace {

// A TIFF structure with an IFD0 and an Exif IFD of ASCII entries, in either byte order.
class TiffBuilder {
public:
    explicit TiffBuilder(bool bigEndian) : m_big(bigEndian) {}
    void Ifd0(std::uint16_t tag, std::string text) { m_ifd0.push_back({tag, std::move(text)}); }
    void ExifIfd(std::uint16_t tag, std::string text) { m_exif.push_back({tag, std::move(text)}); }

    std::string Build(bool exifHeader = true) const {
        std::string out = m_big ? std::string("MM\0*", 4) : std::string("II*\0", 4);
        Put32(out, 8);
        const std::size_t ifd0Size = 2 + (m_ifd0.size() + 1) * 12 + 4;
        const std::size_t exifAt = 8 + ifd0Size;
        const std::size_t exifSize = 2 + m_exif.size() * 12 + 4;
        std::size_t dataAt = exifAt + exifSize;
        std::string data;
        const auto directory = [&](const std::vector<Field>& fields, bool withPointer) {
            Put16(out, static_cast<std::uint16_t>(fields.size() + (withPointer ? 1 : 0)));
            for (const Field& f : fields) {
                const std::string value = f.text + '\0';
                Put16(out, f.tag);
                Put16(out, 2);
                Put32(out, static_cast<std::uint32_t>(value.size()));
                if (value.size() <= 4) {
                    out += value + std::string(4 - value.size(), '\0');
                } else {
                    Put32(out, static_cast<std::uint32_t>(dataAt + data.size()));
                    data += value;
                }
            }
            if (withPointer) {
                Put16(out, 0x8769);
                Put16(out, 4);
                Put32(out, 1);
                Put32(out, static_cast<std::uint32_t>(exifAt));
            }
            Put32(out, 0);
        };
        directory(m_ifd0, true);
        directory(m_exif, false);
        out += data;
        return exifHeader ? std::string("Exif\0\0", 6) + out : out;
    }

private:
    struct Field {
        std::uint16_t tag;
        std::string text;
    };
    void Put16(std::string& out, std::uint32_t v) const {
        const char a = static_cast<char>(v >> 8), b = static_cast<char>(v & 0xFF);
        out += m_big ? a : b;
        out += m_big ? b : a;
    }
    void Put32(std::string& out, std::uint32_t v) const {
        Put16(out, m_big ? v >> 16 : v & 0xFFFF);
        Put16(out, m_big ? v & 0xFFFF : v >> 16);
    }
    bool m_big;
    std::vector<Field> m_ifd0, m_exif;
};

std::string Dataset(int record, int dataset, const std::string& data) {
    std::string out;
    out += '\x1C';
    out += static_cast<char>(record);
    out += static_cast<char>(dataset);
    out += static_cast<char>(data.size() >> 8);
    out += static_cast<char>(data.size() & 0xFF);
    return out + data;
}

std::string InPhotoshopResources(const std::string& iim) {
    std::string out("Photoshop 3.0\0", 14);
    // An unrelated resource first, with an odd-length name and odd-length data (both padded).
    out += "8BIM";
    out += std::string("\x04\x25", 2);
    out += std::string(
        "\x01"
        "a",
        2);
    out += std::string("\0\0\0\x03", 4) + "xyz" + '\0';
    out += "8BIM";
    out += std::string("\x04\x04", 2);
    out += std::string("\0\0", 2);
    const std::size_t n = iim.size();
    out += static_cast<char>(n >> 24);
    out += static_cast<char>((n >> 16) & 0xFF);
    out += static_cast<char>((n >> 8) & 0xFF);
    out += static_cast<char>(n & 0xFF);
    out += iim;
    if (n % 2) {
        out += '\0';
    }
    return out;
}

}  // namespace

TEST(ExifReader, ReadsDescriptionAndDateTakenInBothByteOrders) {
    for (const bool big : {false, true}) {
        TiffBuilder tiff(big);
        tiff.Ifd0(0x010E, "Harbour at dawn");
        tiff.Ifd0(0x0132, "2024:06:01 09:00:00");  // DateTime: the file's last edit
        tiff.ExifIfd(0x9003, "2023:08:14 06:12:40");
        tiff.ExifIfd(0x9011, "+02:00");
        for (const bool header : {true, false}) {
            const ExifWords words = ParseExif(tiff.Build(header));
            EXPECT_EQ(words.imageDescription, "Harbour at dawn");
            EXPECT_EQ(words.dateTimeOriginal, "2023:08:14 06:12:40");
            EXPECT_EQ(words.offsetTimeOriginal, "+02:00");
        }
    }
}

TEST(ExifReader, DamagedBlocksGiveWhatCanBeRead) {
    TiffBuilder tiff(false);
    tiff.Ifd0(0x010E, "A long enough description");
    tiff.ExifIfd(0x9003, "2023:08:14 06:12:40");
    const std::string whole = tiff.Build();
    // Every truncation is read without reading past the block.
    for (std::size_t n = 0; n < whole.size(); ++n) {
        const ExifWords words = ParseExif(whole.substr(0, n));
        EXPECT_TRUE(words.imageDescription.empty() || words.imageDescription == "A long enough description");
    }
    EXPECT_EQ(ParseExif("not exif at all").imageDescription, "");
    // An IFD0 offset far past the end, and an Exif IFD pointing back at IFD0.
    std::string far = whole;
    far[6 + 4] = '\xFF';
    far[6 + 7] = '\x7F';
    EXPECT_EQ(ParseExif(far).imageDescription, "");
    TiffBuilder loop(false);
    loop.Ifd0(0x010E, "loop");
    std::string looped = loop.Build(false);
    // The pointer entry's value is the last 4 bytes of IFD0's second entry: point it at IFD0.
    looped[8 + 2 + 12 + 8] = 8;
    EXPECT_EQ(ParseExif(looped).imageDescription, "loop");
}

TEST(IptcReader, DeclaredUtf8UndeclaredUtf8AndLatin1) {
    const std::string utf8Caption = "Caf\xC3\xA9 au lait";
    const std::string declared =
        Dataset(1, 90, "\x1B%G") + Dataset(2, 120, utf8Caption) + Dataset(2, 5, "Morning");
    EXPECT_EQ(ParseIptc(declared).caption, utf8Caption);
    EXPECT_EQ(ParseIptc(declared).objectName, "Morning");
    EXPECT_EQ(ParseIptc(Dataset(2, 120, utf8Caption)).caption, utf8Caption);
    // Latin-1 without a declaration: "Café" in one byte per letter.
    EXPECT_EQ(ParseIptc(Dataset(2, 120, "Caf\xE9")).caption, "Caf\xC3\xA9");
    // Declared UTF-8 but malformed: repaired, never passed on as invalid UTF-8.
    EXPECT_EQ(ParseIptc(Dataset(1, 90, "\x1B%G") + Dataset(2, 120, "Caf\xE9")).caption, "Caf\xEF\xBF\xBD");
}

TEST(IptcReader, ReadsInsidePhotoshopResourcesAndExtendedDatasets) {
    const std::string iim = Dataset(2, 120, "First") + Dataset(2, 120, "Second") +
                            Dataset(2, 55, "20230814") + Dataset(2, 60, "061240+0200");
    const IptcWords words = ParseIptc(InPhotoshopResources(iim));
    EXPECT_EQ(words.caption, "First");
    EXPECT_EQ(words.dateCreated, "20230814");
    EXPECT_EQ(words.timeCreated, "061240+0200");
    // An extended dataset: the length field says two length bytes follow.
    std::string extended(
        "\x1C\x02\x78\x80\x02\x00\x03"
        "abc",
        10);
    EXPECT_EQ(ParseIptc(extended).caption, "abc");
    // A length past the end stops the reading.
    EXPECT_EQ(ParseIptc(std::string("\x1C\x02\x78\x7F\xFF"
                                    "abc",
                                    8))
                  .caption,
              "");
}

TEST(XmpReader, ElementsAttributesLanguagesAndPrefixes) {
    const std::string packet =
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
        "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
        "<rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/'"
        " xmlns:photoshop='http://ns.adobe.com/photoshop/1.0/' "
        "photoshop:DateCreated='2023-08-14T06:12:40+02:00'>"
        "<dc:title><rdf:Alt><rdf:li xml:lang='de'>Hafen</rdf:li><rdf:li xml:lang='x-default'>Harbour</rdf:li>"
        "</rdf:Alt></dc:title>"
        "<dc:description><rdf:Alt><rdf:li xml:lang='fr'>Fish &amp; chips &#x2014; "
        "&lt;b&gt;</rdf:li></rdf:Alt>"
        "</dc:description><dc:titles>not this</dc:titles>"
        "</rdf:Description></rdf:RDF></x:xmpmeta>";
    const XmpWords words = ParseXmp(packet);
    EXPECT_EQ(words.title, "Harbour");
    EXPECT_EQ(words.description, "Fish & chips \xE2\x80\x94 <b>");
    EXPECT_EQ(words.photoshopDateCreated, "2023-08-14T06:12:40+02:00");

    const std::string otherPrefix =
        "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
        "xmlns:d=\"http://purl.org/dc/elements/1.1/\" xmlns:xap=\"http://ns.adobe.com/xap/1.0/\" "
        "xap:CreateDate=\"2020-01-02T03:04\"><d:description><rdf:Alt><rdf:li xml:lang=\"x-default\">Other "
        "prefix"
        "</rdf:li></rdf:Alt></d:description><d:title/></rdf:Description></rdf:RDF>";
    const XmpWords other = ParseXmp(otherPrefix);
    EXPECT_EQ(other.description, "Other prefix");
    EXPECT_EQ(other.title, "");
    EXPECT_EQ(other.createDate, "2020-01-02T03:04");
    EXPECT_EQ(ParseXmp("<unclosed <dc:title><rdf:Alt><rdf:li>").title, "");
}

TEST(PictureDates, EachFormatAndTheirLimits) {
    const auto exif = ParseExifDate("2023:08:14 06:12:40", "+02:00");
    ASSERT_TRUE(exif);
    EXPECT_EQ(exif->Display(), "2023-08-14 06:12");
    EXPECT_EQ(exif->Iso(), "2023-08-14T06:12:40+02:00");
    EXPECT_EQ(exif->OrderKey(), 1691986360);  // 04:12:40 UTC
    const auto noOffset = ParseExifDate("2023:08:14 06:12:40", "");
    ASSERT_TRUE(noOffset);
    EXPECT_EQ(noOffset->Iso(), "2023-08-14T06:12:40");
    // Cameras without a clock write blanks or zeros.
    EXPECT_FALSE(ParseExifDate("    :  :     :  :  ", ""));
    EXPECT_FALSE(ParseExifDate("0000:00:00 00:00:00", ""));
    EXPECT_FALSE(ParseExifDate("2023:02:29 10:00:00", ""));
    EXPECT_TRUE(ParseExifDate("2024:02:29 10:00:00", ""));

    const auto iso = ParseIsoDate("2023-08-14T06:12:40.25Z");
    ASSERT_TRUE(iso);
    EXPECT_EQ(iso->Iso(), "2023-08-14T06:12:40+00:00");
    EXPECT_EQ(ParseIsoDate("2023-08-14")->Display(), "2023-08-14");
    EXPECT_FALSE(ParseIsoDate("2023-08"));  // a month is not a day the picture was taken
    EXPECT_FALSE(ParseIsoDate("2023-08-14T25:00"));
    EXPECT_FALSE(ParseIsoDate("2023-08-14T06:12:40+99:00"));

    const auto iptc = ParseIptcDate("20230814", "061240-0130");
    ASSERT_TRUE(iptc);
    EXPECT_EQ(iptc->Iso(), "2023-08-14T06:12:40-01:30");
    EXPECT_EQ(ParseIptcDate("20230814", "")->Display(), "2023-08-14");
    EXPECT_FALSE(ParseIptcDate("2023081", ""));
    EXPECT_LT(ParseIsoDate("1969-12-31")->OrderKey(), 0);
}

TEST(PictureText, CleaningRules) {
    EXPECT_EQ(CleanPictureText("  \t Two\r\n lines  \n"), "Two lines");
    EXPECT_EQ(CleanPictureText("bell\x07 and\x1B escape"), "bell and escape");
    EXPECT_EQ(CleanPictureText("C1\xC2\x85"
                               "control"),
              "C1control");
    EXPECT_EQ(CleanPictureText("Caf\xE9"), "Caf\xC3\xA9");  // not UTF-8: Latin-1
    for (const char* stock : {"OLYMPUS DIGITAL CAMERA", "SONY DSC", "  sony dsc ", "", "    "}) {
        EXPECT_EQ(CleanPictureText(stock), "") << stock;
    }
    EXPECT_EQ(CleanPictureText("SONY DSC at the beach"), "SONY DSC at the beach");
    // Long texts are cut at a character boundary.
    std::string longText;
    for (int i = 0; i < 2500; ++i) {
        longText += "\xC3\xA9";
    }
    const std::string cut = CleanPictureText(longText);
    EXPECT_EQ(cut.size(), 2 * kMaxWordsCharacters);
    EXPECT_TRUE(IsValidUtf8(cut));
}

TEST(TextEncoding, Utf8ValidationAndLatin1) {
    EXPECT_TRUE(IsValidUtf8("plain \xC3\xA9 \xF0\x9F\x93\xB7"));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong "/"
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // a surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));          // cut short
    EXPECT_EQ(Latin1ToUtf8("\x80\xFF"), "\xE2\x82\xAC\xC3\xBF");
    EXPECT_EQ(RepairUtf8("a\xFF"
                         "b"),
              "a\xEF\xBF\xBD"
              "b");
}
