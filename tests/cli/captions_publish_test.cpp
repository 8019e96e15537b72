// Pictures' words in published galleries: every bundled style shows them, nothing else of the
// pictures' metadata leaves, and --sort date orders by the date taken.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/directory.h"
#include "tests/cli/publish_runner.h"
#include "tests/cli/variant_style.h"
#include "tests/support/exiftool.h"
#include "tests/support/temp_folder.h"

namespace {

Outcome PublishStyle(const std::string& source, const std::string& dest, const std::string& style,
                     std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"--source", source,    "--dest",  dest,     "--style",
                                     style,      "--large", "200x200", "--quiet"};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunPublish(args);
}

std::string AllPages(const std::string& folder) {
    std::string all;
    for (const DirectoryEntry& entry : ListDirectory(folder)) {
        if (MatchesWildcard("*.htm", entry.name)) {
            all += ReadFile(folder + "/" + entry.name);
        }
    }
    return all;
}

}  // namespace

TEST(CaptionsPublished, EveryBundledStyleShowsTheWordsAndNoOtherMetadata) {
    TempFolder source;
    MakeJpeg(source / "harbour.jpg", "320x240", 1);
    ASSERT_TRUE(
        WriteTags(source / "harbour.jpg",
                  {"-XMP-dc:Description=Boats <at> dawn & \"calm\"", "-XMP-dc:Title=The harbour",
                   "-EXIF:DateTimeOriginal=2019:07:01 18:30:00", "-EXIF:ModifyDate=2024:01:01 00:00:00",
                   "-GPSLatitude=48.8583", "-GPSLatitudeRef=N", "-GPSLongitude=2.2945", "-GPSLongitudeRef=E",
                   "-EXIF:SerialNumber=SN-4711-CAMERA", "-Artist=Secret Person"}));
    MakeJpeg(source / "plain.jpg", "320x240", 2);
    // The bundled styles ask for the WebP variants, and this copy of Classic for the JPEG ones
    // too: none of those copies carries metadata either.
    const TempFolder styles;
    const std::string every = ClassicAskingForEveryVariant(styles);
    for (const std::string& style :
         {std::string("Classic"), std::string("Frames"), std::string("Slides"), every}) {
        TempFolder dest;
        const Outcome run = PublishStyle(source.path(), dest.path(), style);
        ASSERT_EQ(run.exitCode, 0) << style << run.output;
        const std::string pages = AllPages(dest.path());
        EXPECT_TRUE(Contains(pages, "Boats &lt;at&gt; dawn &amp; &quot;calm&quot;")) << style;
        EXPECT_TRUE(Contains(pages, ">The harbour</h2>")) << style;
        EXPECT_TRUE(Contains(pages, "2019-07-01 18:30")) << style;
        EXPECT_FALSE(Contains(pages, "2024-01-01")) << style;
        // The thumbnail lists carry the caption as alternative text, else the file name.
        EXPECT_TRUE(Contains(pages, "alt=\"Boats &lt;at&gt; dawn &amp; &quot;calm&quot;\"")) << style;
        EXPECT_TRUE(Contains(pages, "alt=\"thn_plain.jpg\"")) << style;
        EXPECT_TRUE(std::filesystem::exists(dest / "harbour-320w.webp")) << style << run.output;
        if (style == every) {
            EXPECT_TRUE(std::filesystem::exists(dest / "thn_harbour@2x.jpg")) << run.output;
        }
        for (const DirectoryEntry& entry : ListDirectory(dest.path())) {
            const std::string bytes = ReadFile(dest / entry.name);
            EXPECT_FALSE(Contains(bytes, "SN-4711")) << style << " " << entry.name;
            EXPECT_FALSE(Contains(bytes, "Secret Person")) << style << " " << entry.name;
            EXPECT_FALSE(Contains(bytes, "48.85")) << style << " " << entry.name;
            EXPECT_FALSE(Contains(bytes, std::string("Exif\0\0", 6))) << style << " " << entry.name;
            EXPECT_FALSE(Contains(bytes, "http://ns.adobe.com/xap")) << style << " " << entry.name;
        }
    }
}

TEST(CaptionsPublished, SortByDateTaken) {
    TempFolder source;
    // Names in one order, dates in another; "d" has no date, "e" only the file's last edit.
    const std::vector<std::pair<std::string, std::string>> pictures = {
        {"a.jpg", "-EXIF:DateTimeOriginal=2021:05:05 10:00:00"},
        {"b.jpg", "-EXIF:DateTimeOriginal=2019:01:01 08:00:00"},
        {"c.jpg", "-XMP-photoshop:DateCreated=2020:02:02 12:00:00"},
        {"d.jpg", ""},
        {"e.jpg", "-EXIF:ModifyDate=2000:01:01 00:00:00"},
    };
    int seed = 0;
    for (const auto& [name, tag] : pictures) {
        MakeJpeg(source / name, "160x120", ++seed);
        if (!tag.empty()) {
            ASSERT_TRUE(WriteTags(source / name, {tag}));
        }
    }
    const auto order = [&](const std::vector<std::string>& extra) {
        TempFolder dest;
        const Outcome run = PublishStyle(source.path(), dest.path(), "Classic", extra);
        EXPECT_EQ(run.exitCode, 0) << run.output;
        std::string names;
        for (int i = 1; i <= 5; ++i) {
            const std::string page = ReadFile(dest / ("imagepage" + std::to_string(i) + ".htm"));
            const std::size_t at = page.find("alt=\"");
            names += at == std::string::npos ? '?' : page[at + 5];
        }
        return names;
    };
    EXPECT_EQ(order({}), "abcde");
    EXPECT_EQ(order({"--sort", "name"}), "abcde");
    EXPECT_EQ(order({"--sort", "date"}), "bcade");
    const Outcome bad = PublishStyle(source.path(), (source / "out"), "Classic", {"--sort", "size"});
    EXPECT_NE(bad.exitCode, 0);
}
