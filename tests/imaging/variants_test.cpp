// Variants of the thumbnail and the large picture for styles that ask for them.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "engine/directory.h"
#include "imaging/conversion.h"
#include "imaging/conversion_plan.h"
#include "imaging/output_provenance.h"
#include "imaging/picture_sizes.h"
#include "imaging/variant_plan.h"
#include "imaging/vimbral/vimbral.h"

#include "tests/imaging/test_pictures.h"

namespace {

struct SilentSink : ProgressSink {
    void SetProgress(int, int) override {}
};

constexpr const char* kAskingTemplate =
    "<!-- <MAIN-INDEX-PAGE> <PAGE> --><picture><source type=\"image/webp\" srcset=\"WEBPWIDTHS\">"
    "<img src=\"PICTURE\" srcset=\"JPEGWIDTHS\"></picture> WEBPTHUMBS JPEGTHUMBS";

class Variants : public ::testing::Test {
protected:
    Variants()
        : source(folder.MakeFolder("src")),
          dest(folder.MakeFolder("dest")),
          style(folder.MakeFolder("###S")) {
        folder.Write("###S/page.htm", kAskingTemplate);
        job.m_strStylePath = style;
        job.m_strSourceFolder = source;
        job.m_strDestFolder = dest;
        job.m_nThumbMaxWidth = 100;
        job.m_nThumbMaxHeight = 100;
        job.m_nLargeMaxWidth = 640;
        job.m_nLargeMaxHeight = 480;
        job.m_nJpegQuality = 75;
    }

    std::string Jpeg(const std::string& name, int width, int height, PixelRule rule = Gradient) {
        TempFolder scratch;
        const std::string made = MakeJpeg(scratch, name, width, height, rule);
        const std::string path = JoinPath(source, name);
        std::filesystem::copy_file(made, path, std::filesystem::copy_options::overwrite_existing);
        images.Add(path);
        return path;
    }

    VimbralConverter Convert() {
        SilentSink sink;
        std::atomic<bool> cancel{false};
        VimbralConverter converter;
        converter.ConvertImages(job, images, sink, cancel);
        return converter;
    }

    std::string Out(const std::string& name) const { return JoinPath(dest, name); }
    Size SizeOfOut(const std::string& name) const { return SizeOf(Out(name)); }

    std::map<std::string, std::string> Contents() const {
        std::map<std::string, std::string> contents;
        for (const std::string& name : FilesIn(dest)) {
            contents[name] = ReadFile(Out(name));
        }
        return contents;
    }

    TempFolder folder;
    std::string source;
    std::string dest;
    std::string style;
    GalleryJob job;
    ImageList images;
};

bool IsWebpFile(const std::string& path) {
    const std::string bytes = ReadFile(path);
    return bytes.size() > 12 && bytes.compare(0, 4, "RIFF") == 0 && bytes.compare(8, 4, "WEBP") == 0;
}

double MeanDifference(const std::string& a, const std::string& b) {
    int wa = 0, ha = 0, wb = 0, hb = 0;
    const auto pa = DrawnPixels(a, &wa, &ha);
    const auto pb = DrawnPixels(b, &wb, &hb);
    if (wa != wb || ha != hb || pa.empty()) {
        return 1e9;
    }
    double sum = 0;
    for (std::size_t i = 0; i < pa.size(); ++i) {
        const Rgb x = ColourOf(pa[i]), y = ColourOf(pb[i]);
        sum += std::abs(x.r - y.r) + std::abs(x.g - y.g) + std::abs(x.b - y.b);
    }
    return sum / (3.0 * pa.size());
}

// Plan settings as the VariantPlans tests use them: quality 75, 100 px thumbnails, the given limits.
ConversionSettings PlanSettings(int largeMaxWidth, int largeMaxHeight, VariantRequest asked,
                                const std::string& destFolder = "/out") {
    ConversionSettings settings;
    settings.destFolder = destFolder;
    settings.jpegQuality = 75;
    settings.thumbMaxWidth = settings.thumbMaxHeight = 100;
    settings.largeMaxWidth = largeMaxWidth;
    settings.largeMaxHeight = largeMaxHeight;
    settings.variants = asked;
    return settings;
}

}  // namespace

TEST(VariantSizes, StandardWidthsBelowTheCapNeverEnlargedNorBeyondTwiceTheLimit) {
    using V = std::vector<PictureSize>;
    // Kept at the source size, the large picture itself tops the list: no copy of it, the phones'
    // widths only (and a picture narrower than 16:9 its file 720 pixels tall), none within a tenth
    // of it.
    EXPECT_EQ(LargeVariantSizes(4000, 3000, 0, 0), (V{{800, 600}, {960, 720}, {1280, 960}}));
    EXPECT_EQ(LargeVariantSizes(4619, 2598, 0, 0), (V{{800, 449}, {1280, 719}}));
    EXPECT_EQ(LargeVariantSizes(2000, 1000, 0, 0), (V{{800, 400}, {1280, 640}}));
    EXPECT_EQ(LargeVariantSizes(1400, 1000, 0, 0),
              (V{{800, 571}, {1008, 720}}));            // 1280 is within a tenth of 1400
    EXPECT_EQ(LargeVariantSizes(880, 600, 0, 0), V{});  // and 800 of 880
    EXPECT_EQ(LargeVariantSizes(640, 480, 0, 0), V{});
    EXPECT_EQ(LargeVariantSizes(500, 400, 1024, 768), V{});  // fits the limit: kept as it is
    EXPECT_EQ(LargeVariantSizes(1000, 6000, 0, 0), (V{{120, 720}, {800, 4800}}));
    // Twice 1024x768 caps at 2048x1536; 1920 is within a tenth of it and left out.
    EXPECT_EQ(LargeVariantSizes(4000, 3000, 1024, 768),
              (V{{800, 600}, {960, 720}, {1280, 960}, {2048, 1536}}));
    // The smallest width never within a tenth of the large picture's, above it or below.
    EXPECT_EQ(LargeVariantSizes(3000, 2000, 640, 480), (V{{800, 533}, {1080, 720}, {1280, 853}}));
    // Upright at 1024x768 the large picture is 576 wide (the plan puts its twin for the 540).
    EXPECT_EQ(LargeVariantSizes(3000, 4000, 1024, 768), (V{{540, 720}, {800, 1066}, {1152, 1536}}));
    EXPECT_EQ(LargeVariantSizes(4000, 3000, 880, 660), (V{{960, 720}, {1280, 960}, {1760, 1320}}));
    EXPECT_EQ(LargeVariantSizes(4000, 3000, 760, 570), (V{{960, 720}, {1280, 960}, {1520, 1140}}));
    EXPECT_EQ(LargeVariantSizes(4000, 3000, 900, 675),
              (V{{800, 600}, {960, 720}, {1280, 960}, {1800, 1350}}));
    // Twice 1600x1200 is wider than the widest variant: the standard widths only.
    EXPECT_EQ(LargeVariantSizes(7000, 5000, 1600, 1200),
              (V{{800, 571}, {1008, 720}, {1280, 914}, {1920, 1371}}));
}

// A picture that a desktop's picture room shows by its height gets the file it takes there.
TEST(VariantSizes, APictureNarrowerThanSixteenByNineAlsoGetsAFileAsTallAsTheDesktopTakes) {
    using V = std::vector<PictureSize>;
    const auto tallFile = [](int width, int height, int maxWidth, int maxHeight) {
        V tall;
        for (const PictureSize& size : LargeVariantSizes(width, height, maxWidth, maxHeight)) {
            if (size.height == kDesktopVariantHeight) {
                tall.push_back(size);
            }
        }
        return tall;
    };
    EXPECT_EQ(tallFile(4000, 3000, 1600, 1600), (V{{960, 720}}));   // 4:3
    EXPECT_EQ(tallFile(6000, 4000, 1600, 1600), (V{{1080, 720}}));  // 3:2
    EXPECT_EQ(tallFile(3000, 4000, 1600, 1600), (V{{540, 720}}));   // upright
    EXPECT_EQ(tallFile(2500, 2000, 0, 0), (V{{900, 720}}));         // 5:4
    // 16:9, and anything within a tenth of it, is shown by its width: the standard widths serve.
    EXPECT_EQ(tallFile(4619, 2598, 1600, 1600), V{});
    EXPECT_EQ(tallFile(3000, 1800, 1600, 1600), V{});  // 5:3
    // Never within a tenth of another width, nor of the cap or above it (never enlarged).
    EXPECT_EQ(tallFile(1600, 1000, 0, 0), V{});  // 1152 is within a tenth of 1280
    EXPECT_EQ(tallFile(2000, 2000, 0, 0), V{});  // 720 is within a tenth of 800
    EXPECT_EQ(tallFile(1000, 750, 0, 0), V{});   // 960 is within a tenth of the source's 1000
    EXPECT_EQ(tallFile(600, 700, 0, 0), V{});    // would be enlarged
}

TEST(VariantSizes, NoneIsEnlargedOrBeyondTwiceTheLimitOrAsWideAsAKeptSource) {
    const int limits[][2] = {{0, 0},       {640, 480},   {800, 600}, {1024, 768},
                             {1280, 1024}, {1600, 1200}, {100, 0}};
    for (int width = 1; width <= 6000; width += 37) {
        for (const int height : {1, width / 3 + 1, width * 2 / 3 + 1, width + 5, 3 * width}) {
            for (const auto& [maxWidth, maxHeight] : limits) {
                const std::vector<PictureSize> sizes = LargeVariantSizes(width, height, maxWidth, maxHeight);
                const auto large = LargePictureSize(width, height, maxWidth, maxHeight);
                const auto where = ::testing::Message()
                                   << width << "x" << height << " in " << maxWidth << "x" << maxHeight;
                for (std::size_t i = 0; i < sizes.size(); ++i) {
                    EXPECT_GE(sizes[i].width, 1) << where;
                    EXPECT_GE(sizes[i].height, 1) << where;
                    EXPECT_LE(sizes[i].width, width) << where;
                    EXPECT_LE(sizes[i].height, height) << where;
                    EXPECT_LE(sizes[i].width, kMaxVariantWidth) << where;
                    if (large) {
                        EXPECT_LE(sizes[i].width, 2 * maxWidth) << where;
                        EXPECT_LE(sizes[i].height, 2 * maxHeight) << where;
                    } else {
                        EXPECT_LT(sizes[i].width * 10, width * 9) << where;  // the large picture is the top
                    }
                    // The smallest standard width not within a tenth of the large picture (the
                    // last entry of a limited picture may be twice its limit, which can be as
                    // narrow).
                    if (sizes[i].width == kVariantWidths[0] && (!large || i + 1 < sizes.size())) {
                        const int largeWidth = large ? large->width : width;
                        EXPECT_TRUE(sizes[i].width * 10 < largeWidth * 9 || largeWidth * 10 < sizes[i].width * 9)
                            << where;
                    }
                    if (i > 0) {
                        EXPECT_GT(sizes[i].width, sizes[i - 1].width) << where;
                    }
                }
            }
        }
    }
}

TEST(VariantSizes, DoubleThumbnails) {
    EXPECT_EQ(DoubleThumbnailSize(4000, 3000, 100, 100), (PictureSize{200, 150}));
    EXPECT_EQ(DoubleThumbnailSize(150, 100, 100, 100), std::nullopt);  // would enlarge
    EXPECT_EQ(DoubleThumbnailSize(4000, 3000, 0, 0), std::nullopt);
}

TEST(WebpQuality, FollowsTheMeasuredMappingAndStaysInRange) {
    EXPECT_EQ(WebpQualityFor(75), 72);
    EXPECT_EQ(WebpQualityFor(0), 72);  // GIF chosen: thumbnails at Vimbral's default, 75
    EXPECT_EQ(WebpQualityFor(90), 90);
    EXPECT_EQ(WebpQualityFor(55), 48);
    EXPECT_EQ(WebpQualityFor(72), 68);
    EXPECT_EQ(WebpQualityFor(1), 1);
    EXPECT_EQ(WebpQualityFor(100), 100);
    EXPECT_EQ(WebpQualityFor(250), 100);
    for (int q = 2; q <= 100; ++q) {
        EXPECT_GE(WebpQualityFor(q), WebpQualityFor(q - 1)) << q;
    }
}

TEST_F(Variants, EachVariantHasItsSizeFormatAndMark) {
    Jpeg("a.jpg", 3000, 2000);
    const VimbralConverter converter = Convert();
    EXPECT_EQ(FilesIn(dest), (std::vector<std::string>{"a-1080w.jpg", "a-1080w.webp", "a-1280w.jpg",
                                                       "a-1280w.webp", "a-640w.webp", "a-800w.jpg",
                                                       "a-800w.webp", "a.jpg", "thn_a.jpg", "thn_a@2x.jpg",
                                                       "thn_a@2x.webp"}));
    EXPECT_EQ(SizeOfOut("a.jpg"), (Size{640, 426}));
    EXPECT_EQ(SizeOfOut("a-640w.webp"), (Size{640, 426}));
    EXPECT_EQ(SizeOfOut("a-800w.webp"), (Size{800, 533}));
    EXPECT_EQ(SizeOfOut("a-1280w.webp"), (Size{1280, 853}));
    EXPECT_EQ(SizeOfOut("a-1280w.jpg"), (Size{1280, 853}));
    EXPECT_EQ(SizeOfOut("thn_a.jpg"), (Size{100, 66}));
    EXPECT_EQ(SizeOfOut("thn_a@2x.webp"), (Size{200, 133}));
    EXPECT_EQ(SizeOfOut("thn_a@2x.jpg"), (Size{200, 133}));
    for (const std::string& name : FilesIn(dest)) {
        const bool webp = name.size() > 5 && name.substr(name.size() - 5) == ".webp";
        EXPECT_EQ(IsWebpFile(Out(name)), webp) << name;
        EXPECT_EQ(IsJpegFile(Out(name)), !webp) << name;
        const auto mark = ReadProvenance(Out(name));
        ASSERT_TRUE(mark) << name;
        EXPECT_NE(mark->find("source-name=a.jpg"), std::string::npos) << *mark;
    }
    const auto mark = ReadProvenance(Out("a-1280w.webp"));
    EXPECT_NE(mark->find("output=variant size=1280x853"), std::string::npos) << *mark;
    ASSERT_EQ(converter.Outcomes().size(), 1u);
    const PictureVariants shown = converter.Outcomes()[0].variants;
    EXPECT_EQ(shown.largeWidth, 640);
    EXPECT_EQ(shown.webpWidths, (std::vector<int>{640, 800, 1080, 1280}));  // 1080: 720 pixels tall
    EXPECT_EQ(shown.jpegWidths, (std::vector<int>{800, 1080, 1280}));
    EXPECT_TRUE(shown.doubleThumbnailWebp && shown.doubleThumbnailJpeg);
}

TEST_F(Variants, AStyleThatAsksForNoneGetsExactlyTheDesignedFiles) {
    Jpeg("a.jpg", 3000, 2000, Noise);
    Jpeg("b.jpg", 500, 300);
    job.m_nLargeMaxWidth = 0;  // the designed default: the large picture keeps the source size
    job.m_nLargeMaxHeight = 0;
    job.m_strStylePath.clear();
    Convert();
    const auto designed = Contents();
    EXPECT_EQ(designed.size(), 4u);
    std::filesystem::remove_all(dest);
    std::filesystem::create_directory(dest);
    folder.Write("###S/page.htm", "<!-- <MAIN-INDEX-PAGE> <PAGE> --><img src=\"PICTURE\">");
    job.m_strStylePath = style;
    Convert();
    EXPECT_EQ(Contents(), designed);
    // Nor does asking for the large picture's size alone change a byte: no variant is made for it.
    std::filesystem::remove_all(dest);
    std::filesystem::create_directory(dest);
    folder.Write("###S/page.htm",
                 "<!-- <MAIN-INDEX-PAGE> <PAGE> --><img src=\"PICTURE\" width=\"PICTUREWIDTH\">");
    const VimbralConverter sized = Convert();
    EXPECT_TRUE(Contents() == designed);  // (the bytes would flood the log)
    ASSERT_EQ(sized.Outcomes().size(), 2u);
    EXPECT_EQ(sized.Outcomes()[0].variants.largeWidth, 3000);
    // Asking adds files: the designed ones keep their names, sizes and formats.
    folder.Write("###S/page.htm", kAskingTemplate);
    Convert();
    for (const auto& [name, bytes] : designed) {
        EXPECT_EQ(SizeOfOut(name), SizeOf(folder.Write("scratch-" + name, bytes))) << name;
    }
    EXPECT_GT(FilesIn(dest).size(), designed.size());
}

// A style that asks only for the large picture's size gets the designed files alone, and the size
// of each large picture as written, on the first publish and on a re-publish that writes nothing.
TEST_F(Variants, AStyleAskingOnlyForTheSizeGetsTheDesignedFilesAndEachLargePicturesSize) {
    Jpeg("p.jpg", 900, 1200);
    Jpeg("s.jpg", 300, 200);
    folder.Write("###S/page.htm",
                 "<!-- <MAIN-INDEX-PAGE> <PAGE> --><img src=\"PICTURE\" width=\"PICTUREWIDTH\">");
    for (int run = 0; run < 2; ++run) {
        const VimbralConverter converter = Convert();
        EXPECT_EQ(FilesIn(dest), (std::vector<std::string>{"p.jpg", "s.jpg", "thn_p.jpg", "thn_s.jpg"}));
        ASSERT_EQ(converter.Outcomes().size(), 2u);
        const PictureVariants portrait = converter.Outcomes()[0].variants;
        EXPECT_EQ(SizeOfOut("p.jpg"), (Size{360, 480}));
        EXPECT_EQ(portrait.largeWidth, 360) << run;
        EXPECT_EQ(portrait.largeHeight, 480) << run;
        EXPECT_TRUE(portrait.webpWidths.empty() && portrait.jpegWidths.empty() &&
                    !portrait.doubleThumbnailWebp && !portrait.doubleThumbnailJpeg);
        const PictureVariants small = converter.Outcomes()[1].variants;  // never enlarged
        EXPECT_EQ(small.largeWidth, 300) << run;
        EXPECT_EQ(small.largeHeight, 200) << run;
    }
}

TEST_F(Variants, WebpFilesShowTheSamePictureAsTheJpegFiles) {
    Jpeg("a.jpg", 3000, 2000);
    Jpeg("n.jpg", 1400, 1000, Noise);
    Convert();
    EXPECT_LT(MeanDifference(Out("a-1280w.webp"), Out("a-1280w.jpg")), 2.0);
    EXPECT_LT(MeanDifference(Out("thn_a@2x.webp"), Out("thn_a@2x.jpg")), 3.0);
    // Noise is the hardest case for both encoders: still close on average.
    EXPECT_LT(MeanDifference(Out("n-1280w.webp"), Out("n-1280w.jpg")), 24.0);
    // Smaller than the JPEG at the same look, which is what they are for.
    EXPECT_LT(ReadFile(Out("a-1280w.webp")).size(), ReadFile(Out("a-1280w.jpg")).size());
}

TEST(VariantPlans, TheLargePicturesOwnSizeJoinsTheWebpWidths) {
    ConversionSettings settings = PlanSettings(1024, 768, {true, true, false, false});
    const VariantPlan plan = PlanVariants(settings, "/photos/a.jpg", 4000, 3000);
    EXPECT_EQ(plan.shown.webpWidths, (std::vector<int>{800, 1024, 1280}));
    EXPECT_EQ(plan.shown.jpegWidths, (std::vector<int>{800, 1280, 2048}));  // a.jpg is the 1024
    EXPECT_EQ(plan.shown.wideJpegWidth, 2048);                              // on top of the WebP list
    EXPECT_EQ(plan.shown.largeWidth, 1024);
    settings.largeMaxWidth = settings.largeMaxHeight = 800;
    EXPECT_EQ(PlanVariants(settings, "/photos/a.jpg", 4000, 3000).shown.webpWidths,
              (std::vector<int>{800, 960, 1280, 1600}));
    // A standard width within a tenth of the large picture's own gives way to it.
    settings.largeMaxWidth = settings.largeMaxHeight = 1200;
    const VariantPlan wide = PlanVariants(settings, "/photos/a.jpg", 4000, 3000);
    EXPECT_EQ(wide.shown.webpWidths, (std::vector<int>{800, 960, 1200, 1920}));
    EXPECT_EQ(wide.shown.wideJpegWidth, 2400);
    // Kept at 4000, the large picture tops the list: no WebP copy of it.
    settings.largeMaxWidth = settings.largeMaxHeight = 0;
    const VariantPlan kept = PlanVariants(settings, "/photos/a.jpg", 4000, 3000);
    EXPECT_EQ(kept.shown.webpWidths, (std::vector<int>{800, 960, 1280}));
    EXPECT_EQ(kept.shown.jpegWidths, (std::vector<int>{800, 960, 1280}));
    EXPECT_EQ(kept.shown.largeWidth, 4000);
    EXPECT_EQ(kept.shown.wideJpegWidth, 0);
}

// A same-folder run publishes the source itself: its variants are those of a large picture kept
// at the source size, whatever the limits, and a GIF source (which may move) keeps its place.
TEST(VariantPlans, ASameFolderRunsSourceTopsItsOwnWebpList) {
    ConversionSettings settings = PlanSettings(640, 480, {true, true, true, false}, "/photos");
    settings.makeLargePictures = false;
    const VariantPlan plan = PlanVariants(settings, "/photos/a.jpg", 1600, 1200);
    EXPECT_EQ(plan.shown.webpWidths, (std::vector<int>{800, 960, 1280}));
    EXPECT_EQ(plan.shown.jpegWidths, (std::vector<int>{800, 960, 1280}));
    EXPECT_EQ(plan.shown.largeWidth, 1600);
    std::vector<std::string> names;
    for (const VariantFile& file : plan.files) {
        names.push_back(file.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"thn_a@2x.webp", "a-800w.webp", "a-800w.jpg", "a-960w.webp",
                                               "a-960w.jpg", "a-1280w.webp", "a-1280w.jpg"}));
    // Never enlarged, nor made within a tenth of the source's width; a source that leaves no
    // standard width gets its WebP twin.
    EXPECT_EQ(PlanVariants(settings, "/photos/a.jpg", 1400, 1000).shown.webpWidths,
              (std::vector<int>{800, 1008}));
    EXPECT_EQ(PlanVariants(settings, "/photos/a.jpg", 870, 600).shown.webpWidths, (std::vector<int>{870}));
    // The limits shape neither the sizes nor the marks of these files.
    const SourceIdentity identity{"a.jpg", 1, 2, 3};
    const VariantFile& wide = plan.files[6];
    const std::string mark = VariantProvenanceText(settings, wide, identity);
    settings.largeMaxWidth = settings.largeMaxHeight = 0;
    EXPECT_EQ(VariantProvenanceText(settings, wide, identity), mark);
    EXPECT_EQ(PlanVariants(settings, "/photos/a.jpg", 1600, 1200).shown.webpWidths,
              (std::vector<int>{800, 960, 1280}));
    // GIF sources, and GIF output, get the thumbnails' variants only.
    for (const char* gif : {"/photos/a.gif", "/photos/b.GIF"}) {
        const VariantPlan still = PlanVariants(settings, gif, 1600, 1200);
        EXPECT_TRUE(still.shown.webpWidths.empty()) << gif;
        EXPECT_TRUE(still.shown.doubleThumbnailWebp) << gif;
    }
    settings.jpegQuality = 0;
    EXPECT_TRUE(PlanVariants(settings, "/photos/a.jpg", 1600, 1200).shown.webpWidths.empty());
}

// Only WebP files wider than the large picture are written at the encoder's least effort: the
// narrower ones, the large picture's twin, the thumbnails and every JPEG keep the usual effort.
TEST(VariantPlans, OnlyWebpFilesWiderThanTheLargePictureAreWrittenFast) {
    ConversionSettings settings = PlanSettings(1024, 768, {true, true, true, true});
    const auto fastFiles = [&](int width, int height) {
        std::vector<std::string> names;
        for (const VariantFile& file : PlanVariants(settings, "/photos/a.jpg", width, height).files) {
            if (file.fast) {
                names.push_back(file.name);
            }
        }
        return names;
    };
    // The file at twice the limit is a JPEG without optimised tables.
    EXPECT_EQ(fastFiles(4000, 3000), (std::vector<std::string>{"a-1280w.webp", "a-2048w.jpg"}));
    settings.largeMaxWidth = settings.largeMaxHeight = 640;
    EXPECT_EQ(fastFiles(4000, 3000), (std::vector<std::string>{"a-800w.webp", "a-960w.webp", "a-1280w.webp"}));
    // Kept at the source size, the large picture is wider than every variant.
    settings.largeMaxWidth = settings.largeMaxHeight = 0;
    EXPECT_TRUE(fastFiles(4000, 3000).empty());
    EXPECT_TRUE(fastFiles(900, 600).empty());
}

// The large picture is made from the nearest wider variant rather than from the decode: it still
// shows the same picture as the one made without variants, at its size.
TEST_F(Variants, TheLargePictureMadeAmongTheVariantsLooksAsWithoutThem) {
    Jpeg("a.jpg", 4000, 2500);
    job.m_nLargeMaxWidth = 1024;
    job.m_nLargeMaxHeight = 768;
    job.m_strStylePath.clear();
    Convert();
    const std::string designed = folder.Write("designed.jpg", ReadFile(Out("a.jpg")));
    std::filesystem::remove_all(dest);
    std::filesystem::create_directory(dest);
    job.m_strStylePath = style;
    Convert();
    ASSERT_TRUE(std::filesystem::exists(Out("a-2048w.jpg")));
    EXPECT_FALSE(std::filesystem::exists(Out("a-2048w.webp")));
    ASSERT_TRUE(std::filesystem::exists(Out("a-1280w.webp")));
    EXPECT_EQ(SizeOfOut("a.jpg"), (Size{1024, 640}));
    EXPECT_LT(MeanDifference(Out("a.jpg"), designed), 1.5);
    EXPECT_LT(MeanDifference(Out("a-1024w.webp"), designed), 2.0);
}

// At a limit a desktop's picture page takes whole, the file at twice the limit is one JPEG file,
// marked like every output, listed on top of the WebP widths and among the JPEG ones; a re-publish
// leaves it, and a style asking for WebP widths only gets it too.
TEST_F(Variants, AtADesktopLimitTheFileAtTwiceTheLimitIsOneMarkedJpeg) {
    Jpeg("a.jpg", 4000, 2500);
    job.m_nLargeMaxWidth = 1024;
    job.m_nLargeMaxHeight = 768;
    const VimbralConverter converter = Convert();
    EXPECT_EQ(FilesIn(dest), (std::vector<std::string>{"a-1024w.webp", "a-1280w.jpg", "a-1280w.webp",
                                                       "a-2048w.jpg", "a-800w.jpg", "a-800w.webp", "a.jpg",
                                                       "thn_a.jpg", "thn_a@2x.jpg", "thn_a@2x.webp"}));
    EXPECT_TRUE(IsJpegFile(Out("a-2048w.jpg")));
    EXPECT_EQ(SizeOfOut("a-2048w.jpg"), (Size{2048, 1280}));
    const auto mark = ReadProvenance(Out("a-2048w.jpg"));
    ASSERT_TRUE(mark);
    EXPECT_NE(mark->find("output=variant size=2048x1280"), std::string::npos) << *mark;
    ASSERT_EQ(converter.Outcomes().size(), 1u);
    const PictureVariants shown = converter.Outcomes()[0].variants;
    EXPECT_EQ(shown.webpWidths, (std::vector<int>{800, 1024, 1280}));
    EXPECT_EQ(shown.jpegWidths, (std::vector<int>{800, 1280, 2048}));
    EXPECT_EQ(shown.wideJpegWidth, 2048);
    // The same picture as the large picture, twice as wide.
    const std::string halved = folder.Write("halved.jpg", "");
    {
        vimbral::Image wide = vimbral::InitImageObject(Out("a-2048w.jpg").c_str(), nullptr, -1, -1);
        ASSERT_NE(vimbral::Stretch(wide, 1024, 640), 0);
        vimbral::SetQuality(wide, 95);
        ASSERT_NE(vimbral::Save(wide, halved.c_str(), vimbral::kFormatJpeg), 0);
        vimbral::DeleteImageObject(wide);
    }
    EXPECT_LT(MeanDifference(halved, Out("a.jpg")), 2.0);
    EXPECT_EQ(Convert().UpToDateCount(), 1);

    folder.Write("###S/page.htm",
                 "<!-- <MAIN-INDEX-PAGE> <PAGE> --><picture><source type=\"image/webp\" "
                 "srcset=\"WEBPWIDTHS\"><img src=\"PICTURE\"></picture>");
    const VimbralConverter webpOnly = Convert();
    EXPECT_EQ(webpOnly.Outcomes()[0].variants.wideJpegWidth, 2048);
    EXPECT_TRUE(webpOnly.Outcomes()[0].variants.jpegWidths.empty());
    EXPECT_TRUE(IsJpegFile(Out("a-2048w.jpg")));
}

// A photo narrower than every standard width: its WebP list names its WebP twin, never the JPEG
// under the WebP type; no JPEG copy of the large picture itself.
TEST_F(Variants, APictureNarrowerThanEveryWidthGetsItsWebpTwin) {
    Jpeg("s.jpg", 500, 400);
    job.m_nLargeMaxWidth = job.m_nLargeMaxHeight = 0;
    const VimbralConverter converter = Convert();
    EXPECT_EQ(FilesIn(dest), (std::vector<std::string>{"s-500w.webp", "s.jpg", "thn_s.jpg", "thn_s@2x.jpg",
                                                       "thn_s@2x.webp"}));
    EXPECT_TRUE(IsWebpFile(Out("s-500w.webp")));
    EXPECT_EQ(SizeOfOut("s-500w.webp"), (Size{500, 400}));
    EXPECT_LT(MeanDifference(Out("s-500w.webp"), Out("s.jpg")), 2.0);
    ASSERT_EQ(converter.Outcomes().size(), 1u);
    EXPECT_EQ(converter.Outcomes()[0].variants.webpWidths, (std::vector<int>{500}));
    EXPECT_TRUE(converter.Outcomes()[0].variants.jpegWidths.empty());
}

TEST(VariantPlans, ATwinOnlyWhereNoStandardWidthIsMade) {
    ConversionSettings settings = PlanSettings(640, 480, {true, true, false, false});
    // Limited to 640x480, a 600x400 photo keeps its size, below every standard width.
    const VariantPlan small = PlanVariants(settings, "/photos/a.jpg", 600, 400);
    EXPECT_EQ(small.shown.webpWidths, (std::vector<int>{600}));
    EXPECT_TRUE(small.shown.jpegWidths.empty());
    const auto twin = std::find_if(small.files.begin(), small.files.end(),
                                   [](const VariantFile& file) { return !file.thumbnail; });
    ASSERT_NE(twin, small.files.end());
    EXPECT_EQ(twin->name, "a-600w.webp");
    EXPECT_EQ(twin->size, (PictureSize{600, 400}));
    EXPECT_TRUE(twin->webp);
    EXPECT_EQ(std::count_if(small.files.begin(), small.files.end(),
                            [](const VariantFile& file) { return !file.thumbnail; }),
              1);
    // Wider photos get the standard widths (and, at 4:3, the file 720 pixels tall) and no twin.
    EXPECT_EQ(PlanVariants(settings, "/photos/a.jpg", 4000, 3000).shown.webpWidths,
              (std::vector<int>{640, 800, 960, 1280}));
    // A GIF large picture: still no WebP of it. A source published as it is gets its twin too.
    settings.jpegQuality = 0;
    EXPECT_TRUE(PlanVariants(settings, "/photos/a.jpg", 600, 400).shown.webpWidths.empty());
    settings.jpegQuality = 75;
    settings.makeLargePictures = false;
    EXPECT_EQ(PlanVariants(settings, "/photos/a.jpg", 600, 400).shown.webpWidths, (std::vector<int>{600}));
}

TEST_F(Variants, GifLargePicturesGetNoVariantsButThumbnailsDo) {
    job.m_nJpegQuality = 0;
    Jpeg("a.jpg", 3000, 2000);
    const VimbralConverter converter = Convert();
    EXPECT_EQ(FilesIn(dest),
              (std::vector<std::string>{"a.gif", "thn_a.jpg", "thn_a@2x.jpg", "thn_a@2x.webp"}));
    EXPECT_TRUE(IsGifFile(Out("a.gif")));
    EXPECT_TRUE(converter.Outcomes()[0].variants.webpWidths.empty());
}

TEST_F(Variants, RepublishingRemakesTheChangedPicturesFilesAndNothingElse) {
    const std::string a = Jpeg("a.jpg", 3000, 2000);
    Jpeg("b.jpg", 2000, 1500);
    Convert();
    const auto before = Contents();
    std::map<std::string, ino_t> inodes;
    for (const auto& [name, bytes] : before) {
        struct stat st {};
        ::stat(Out(name).c_str(), &st);
        inodes[name] = st.st_ino;
    }
    const VimbralConverter again = Convert();
    EXPECT_EQ(again.UpToDateCount(), 2);
    EXPECT_EQ(again.Outcomes()[0].variants.webpWidths, (std::vector<int>{640, 800, 1080, 1280}));
    {
        TempFolder scratch;
        std::filesystem::copy_file(MakeJpeg(scratch, "a.jpg", 3000, 2000, Noise), a,
                                   std::filesystem::copy_options::overwrite_existing);
    }
    const VimbralConverter changed = Convert();
    EXPECT_EQ(changed.ConvertedCount(), 1);
    EXPECT_EQ(changed.UpToDateCount(), 1);
    const auto after = Contents();
    ASSERT_EQ(after.size(), before.size());
    for (const auto& [name, bytes] : after) {
        struct stat st {};
        ::stat(Out(name).c_str(), &st);
        if (name.rfind("a", 0) == 0 || name.rfind("thn_a", 0) == 0) {
            EXPECT_NE(bytes, before.at(name)) << name << " was not remade";
        } else {
            EXPECT_EQ(st.st_ino, inodes.at(name)) << name << " was rewritten";
        }
    }
    // A variant removed is made again, alone.
    EXPECT_EQ(Convert().UpToDateCount(), 2);
    std::filesystem::remove(Out("b-640w.webp"));
    EXPECT_EQ(Convert().ConvertedCount(), 1);
    EXPECT_TRUE(IsWebpFile(Out("b-640w.webp")));
}

TEST_F(Variants, AFileGalvaneDidNotMakeIsNeverReplacedNorListed) {
    Jpeg("a.jpg", 3000, 2000);
    folder.Write("dest/a-1280w.webp", "the user's own file");
    const VimbralConverter converter = Convert();
    EXPECT_EQ(ReadFile(Out("a-1280w.webp")), "the user's own file");
    const PictureOutcome outcome = converter.Outcomes()[0];
    ASSERT_EQ(outcome.notWritten.size(), 1u);
    EXPECT_EQ(outcome.notWritten[0].name, Out("a-1280w.webp"));
    EXPECT_EQ(outcome.variants.webpWidths, (std::vector<int>{640, 800, 1080}));
    EXPECT_TRUE(outcome.thumbnailWritten);
}

// The same for the JPEG file at twice a desktop limit: kept, named, and off both lists, so no page
// offers the user's file as the picture.
TEST_F(Variants, AUsersFileAtTheNameOfTheJpegAtTwiceTheLimitIsKeptAndListedNowhere) {
    Jpeg("a.jpg", 4000, 2500);
    job.m_nLargeMaxWidth = 1024;
    job.m_nLargeMaxHeight = 768;
    folder.Write("dest/a-2048w.jpg", "the user's own file");
    const VimbralConverter converter = Convert();
    EXPECT_EQ(ReadFile(Out("a-2048w.jpg")), "the user's own file");
    const PictureOutcome outcome = converter.Outcomes()[0];
    ASSERT_EQ(outcome.notWritten.size(), 1u);
    EXPECT_EQ(outcome.notWritten[0].name, Out("a-2048w.jpg"));
    EXPECT_EQ(outcome.variants.wideJpegWidth, 0);
    EXPECT_EQ(outcome.variants.jpegWidths, (std::vector<int>{800, 1280}));
    EXPECT_EQ(outcome.variants.webpWidths, (std::vector<int>{800, 1024, 1280}));
    EXPECT_EQ(SizeOfOut("a.jpg"), (Size{1024, 640}));
}

TEST_F(Variants, ThePlanNamesEveryOutputAndOrdersPicturesSharingOne) {
    const std::string a = Jpeg("a.jpg", 3000, 2000);
    const std::string clash = Jpeg("a-1280w.png", 300, 200);
    const std::string other = Jpeg("c.jpg", 300, 200);
    const ConversionSettings settings = SettingsOf(job);
    std::vector<std::string> names;
    for (const PlannedOutput& output : OutputsOf(a, settings)) {
        names.push_back(output.name);
        EXPECT_EQ(output.kind == OutputKind::Variant, output.variant.has_value()) << output.name;
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"thn_a.jpg", "a.jpg", "thn_a@2x.webp", "thn_a@2x.jpg", "a-640w.webp",
                                        "a-800w.webp", "a-800w.jpg", "a-1080w.webp", "a-1080w.jpg",
                                        "a-1280w.webp", "a-1280w.jpg"}));
    const auto units = PlanWorkUnits({a, clash, other}, settings);
    EXPECT_EQ(units, (std::vector<WorkUnit>{{0, 1}, {2}}));
}

TEST(VimbralWebp, TheCommentTravelsInXmpAndCopiesShareOneDecode) {
    TempFolder folder;
    const std::string jpeg = MakeJpeg(folder, "a.jpg", 400, 300, Gradient);
    vimbral::Image image = vimbral::InitImageObject(jpeg.c_str(), nullptr, -1, -1);
    ASSERT_NE(image, nullptr);
    vimbral::Image copy = vimbral::CopyImageObject(image);
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(vimbral::Stretch(copy, 100, 75), 0);
    EXPECT_EQ(vimbral::GetWidth(image), 400);
    const std::string text = "galvane-conversion=1 mark & <sign> \"quoted\"";
    vimbral::SetComment(copy, text.c_str());
    const std::string target = JoinPath(folder.path(), "a.webp");
    ASSERT_NE(vimbral::Save(copy, target.c_str(), vimbral::kFormatWebp), 0);
    char buffer[128] = {};
    EXPECT_EQ(vimbral::ReadComment(target.c_str(), buffer, sizeof buffer), static_cast<int>(text.size()));
    EXPECT_EQ(std::string(buffer), text);
    EXPECT_EQ(SizeOf(target), (Size{100, 75}));
    EXPECT_TRUE(IsOutputUpToDate(target, text));
    const std::string bytes = ReadFile(target);
    const std::string cut = folder.Write("cut.webp", bytes.substr(0, bytes.size() - 10));
    EXPECT_FALSE(IsOutputUpToDate(cut, text));  // a file cut short is made again
    // The original still writes at its own size from the shared pixels.
    const std::string whole = JoinPath(folder.path(), "whole.webp");
    ASSERT_NE(vimbral::Save(image, whole.c_str(), vimbral::kFormatWebp), 0);
    EXPECT_EQ(SizeOf(whole), (Size{400, 300}));
    // Written faster: a WebP file with the same mark, the same picture, the encoder's own bytes.
    const std::string fast = JoinPath(folder.path(), "fast.webp");
    vimbral::SetComment(image, text.c_str());
    ASSERT_NE(vimbral::Save(image, fast.c_str(), vimbral::kFormatWebpFast), 0);
    EXPECT_EQ(SizeOf(fast), (Size{400, 300}));
    EXPECT_EQ(ReadFile(fast).compare(0, 4, "RIFF"), 0);
    EXPECT_TRUE(IsOutputUpToDate(fast, text));
    EXPECT_LT(MeanDifference(fast, whole), 2.0);
    EXPECT_NE(ReadFile(fast), ReadFile(whole));
    EXPECT_EQ(vimbral::Save(image, fast.c_str(), 10), 0);  // no such format
    vimbral::DeleteImageObject(copy);
    vimbral::DeleteImageObject(image);
}

TEST(VimbralShrink, ResamplesDownOnlyAndLikeStretch) {
    TempFolder folder;
    const std::string jpeg = MakeJpeg(folder, "a.jpg", 800, 600, Gradient);
    vimbral::Image image = vimbral::InitImageObject(jpeg.c_str(), nullptr, -1, -1);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(vimbral::Shrink(image, 801, 600), 0);  // never enlarges
    vimbral::Image shrunk = vimbral::CopyImageObject(image);
    vimbral::Image stretched = vimbral::CopyImageObject(image);
    ASSERT_NE(shrunk, nullptr);
    EXPECT_EQ(vimbral::Shrink(shrunk, 801, 600), 0);
    EXPECT_EQ(vimbral::Shrink(shrunk, 0, 10), 0);
    EXPECT_EQ(vimbral::GetWidth(shrunk), 800);
    ASSERT_NE(vimbral::Shrink(shrunk, 333, 249), 0);
    ASSERT_NE(vimbral::Stretch(stretched, 333, 249), 0);
    EXPECT_EQ(vimbral::GetWidth(image), 800);  // the shared decode is left as it was
    const std::string a = JoinPath(folder.path(), "shrunk.jpg");
    const std::string b = JoinPath(folder.path(), "stretched.jpg");
    ASSERT_NE(vimbral::Save(shrunk, a.c_str(), vimbral::kFormatJpeg), 0);
    ASSERT_NE(vimbral::Save(stretched, b.c_str(), vimbral::kFormatJpeg), 0);
    EXPECT_EQ(SizeOf(a), (Size{333, 249}));
    EXPECT_LT(MeanDifference(a, b), 2.0);
    vimbral::DeleteImageObject(stretched);
    vimbral::DeleteImageObject(shrunk);
    vimbral::DeleteImageObject(image);
}

// Not decoded yet, a JPEG is decoded at a quarter (DCT scaling) and reduced: the same picture as
// Stretch gives, upright, at exactly the size asked, also when its sides are not multiples of 4.
TEST(VimbralShrink, DecodesAtAReducedScaleUprightAndExactly) {
    TempFolder folder;
    const auto halves = [](int x, int, int width, int) {
        return x < width / 2 ? Rgb{255, 0, 0} : Rgb{0, 0, 255};
    };
    const std::string plain = ReadFile(MakeJpeg(folder, "plain.jpg", 1203, 601, halves, 95));
    const std::string turned = folder.Write("turned.jpg", WithExifOrientation(plain, 6));
    const auto shrinkAndStretch = [&](const std::string& path, int width, int height) {
        vimbral::Image a = vimbral::InitImageObject(path.c_str(), nullptr, -1, -1);
        vimbral::Image b = vimbral::InitImageObject(path.c_str(), nullptr, -1, -1);
        EXPECT_NE(vimbral::Shrink(a, width, height), 0) << path;
        EXPECT_NE(vimbral::Stretch(b, width, height), 0) << path;
        const std::string outA = JoinPath(folder.path(), "a.jpg"), outB = JoinPath(folder.path(), "b.jpg");
        EXPECT_NE(vimbral::Save(a, outA.c_str(), vimbral::kFormatJpeg), 0);
        EXPECT_NE(vimbral::Save(b, outB.c_str(), vimbral::kFormatJpeg), 0);
        vimbral::DeleteImageObject(a);
        vimbral::DeleteImageObject(b);
        EXPECT_EQ(SizeOf(outA), (Size{width, height})) << path;
        EXPECT_LT(MeanDifference(outA, outB), 6.0) << path;
        return outA;
    };
    shrinkAndStretch(JoinPath(folder.path(), "plain.jpg"), 300, 150);
    shrinkAndStretch(JoinPath(folder.path(), "plain.jpg"), 300, 149);
    const std::string upright = shrinkAndStretch(turned, 150, 300);
    int w = 0, h = 0;
    const auto pixels = DrawnPixels(upright, &w, &h);
    ASSERT_EQ(w, 150);
    EXPECT_TRUE(Near(ColourOf(pixels[40 * 150 + 75]), {255, 0, 0}, 48));  // red on top
    EXPECT_TRUE(Near(ColourOf(pixels[260 * 150 + 75]), {0, 0, 255}, 48));
    // A file cut short fails, as Stretch does.
    const std::string cut = folder.Write("cut.jpg", plain.substr(0, plain.size() / 2));
    vimbral::Image broken = vimbral::InitImageObject(cut.c_str(), nullptr, -1, -1);
    ASSERT_NE(broken, nullptr);
    EXPECT_EQ(vimbral::Shrink(broken, 300, 150), 0);
    vimbral::Image broken2 = vimbral::InitImageObject(cut.c_str(), nullptr, -1, -1);
    EXPECT_EQ(vimbral::Stretch(broken2, 300, 150), 0);
    vimbral::DeleteImageObject(broken2);
    vimbral::DeleteImageObject(broken);
}
