// VimbralConverter: the conversion stage on real files.

#include "imaging/conversion.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <thread>

#include "engine/directory.h"

#include "tests/imaging/test_pictures.h"

namespace {

struct RecordingSink : ProgressSink {
    void SetProgress(int position, int range) override {
        EXPECT_EQ(range, 0);
        EXPECT_EQ(std::this_thread::get_id(), caller);
        values.push_back(position);
        if (onCall) {
            onCall();
        }
    }
    std::thread::id caller = std::this_thread::get_id();
    std::vector<int> values;
    std::function<void()> onCall;
};

class Conversion : public ::testing::Test {
protected:
    Conversion() : source(folder.MakeFolder("src")), dest(folder.MakeFolder("dest")) {
        job.m_strSourceFolder = source;
        job.m_strDestFolder = dest;
        job.m_nThumbMaxWidth = 100;
        job.m_nThumbMaxHeight = 100;
        job.m_nLargeMaxWidth = 640;
        job.m_nLargeMaxHeight = 480;
        job.m_nJpegQuality = 75;
    }

    std::string Bmp(const std::string& name, int width, int height, PixelRule rule = Gradient) {
        const std::string path = JoinPath(source, name);
        folder.Write("src/" + name, BmpBytes(width, height, rule));
        images.Add(path);
        return path;
    }
    std::string Jpeg(const std::string& name, int width, int height, PixelRule rule = Gradient) {
        TempFolder scratch;
        const std::string made = MakeJpeg(scratch, name, width, height, rule);
        const std::string path = JoinPath(source, name);
        std::filesystem::copy_file(made, path, std::filesystem::copy_options::overwrite_existing);
        images.Add(path);
        return path;
    }
    std::string Raw(const std::string& name, const std::string& bytes) {
        const std::string path = folder.Write("src/" + name, bytes);
        images.Add(path);
        return path;
    }

    std::vector<int> Convert(unsigned workers = 0) {
        RecordingSink sink;
        std::atomic<bool> cancel{false};
        VimbralConverter converter(workers);
        EXPECT_EQ(converter.ConvertImages(job, images, sink, cancel), static_cast<int>(images.GetSize()));
        return sink.values;
    }

    Size Out(const std::string& name) const { return SizeOf(JoinPath(dest, name)); }

    TempFolder folder;
    std::string source;
    std::string dest;
    GalleryJob job;
    ImageList images;
};

TEST_F(Conversion, WritesThumbnailsAndLargePicturesOfTheWorkedSizes) {
    Bmp("a.bmp", 1600, 1200);
    Jpeg("b.jpg", 700, 400);
    Jpeg("c.jpg", 641, 480);
    Jpeg("d.jpg", 600, 400);
    Bmp("e.bmp", 333, 1000);
    Jpeg("f.jpg", 300, 300);
    Bmp("g.bmp", 50, 40);
    Jpeg("h.jpg", 120, 80);
    Convert();
    EXPECT_EQ(Out("a.jpg"), (Size{640, 480}));
    EXPECT_EQ(Out("thn_a.jpg"), (Size{100, 75}));
    EXPECT_EQ(Out("b.jpg"), (Size{640, 365}));
    EXPECT_EQ(Out("c.jpg"), (Size{640, 479}));
    EXPECT_EQ(Out("d.jpg"), (Size{600, 400}));
    EXPECT_EQ(Out("thn_e.jpg"), (Size{33, 100}));
    EXPECT_EQ(Out("thn_f.jpg"), (Size{100, 100}));
    EXPECT_EQ(Out("thn_g.jpg"), (Size{100, 80}));
    EXPECT_EQ(Out("g.jpg"), (Size{50, 40}));
    EXPECT_EQ(Out("h.jpg"), (Size{120, 80}));  // not enlarged
    EXPECT_EQ(Out("thn_h.jpg"), (Size{100, 66}));
    for (const std::string& name : FilesIn(dest)) {
        EXPECT_TRUE(IsJpegFile(JoinPath(dest, name))) << name;
        EXPECT_FALSE(HasExif(JoinPath(dest, name))) << name;
    }
    EXPECT_EQ(FilesIn(dest).size(), 16u);
}

TEST_F(Conversion, OtherWorkedLargeSizes) {
    job.m_nLargeMaxWidth = 500;
    job.m_nLargeMaxHeight = 500;
    Jpeg("a.jpg", 1000, 333);
    Convert();
    EXPECT_EQ(Out("a.jpg"), (Size{500, 166}));
}

TEST_F(Conversion, ALargeLimitOfZeroKeepsTheSourceSize) {
    job.m_nLargeMaxWidth = 0;
    job.m_nLargeMaxHeight = 500;
    Jpeg("a.jpg", 800, 600);
    Convert();
    EXPECT_EQ(Out("a.jpg"), (Size{800, 600}));
    EXPECT_EQ(Out("thn_a.jpg"), (Size{100, 75}));
}

TEST_F(Conversion, AThumbnailLimitOfZeroMeansNoLimitThatWay) {
    Jpeg("a.jpg", 400, 300);
    job.m_nThumbMaxWidth = 0;
    job.m_nThumbMaxHeight = 0;
    Convert();
    EXPECT_EQ(Out("thn_a.jpg"), (Size{400, 300}));
    job.m_nThumbMaxWidth = 100;
    Convert();
    EXPECT_EQ(Out("thn_a.jpg"), (Size{100, 75}));
    job.m_nThumbMaxWidth = 0;
    job.m_nThumbMaxHeight = 60;
    Convert();
    EXPECT_EQ(Out("thn_a.jpg"), (Size{80, 60}));
}

TEST_F(Conversion, GifChosenWritesGifLargePicturesAndJpegThumbnails) {
    job.m_nJpegQuality = 0;
    Bmp("a.bmp", 800, 600);
    Jpeg("b.jpg", 320, 200);
    Convert();
    EXPECT_EQ(FilesIn(dest), (std::vector<std::string>{"a.gif", "b.gif", "thn_a.jpg", "thn_b.jpg"}));
    EXPECT_TRUE(IsGifFile(JoinPath(dest, "a.gif")));
    EXPECT_TRUE(IsGifFile(JoinPath(dest, "b.gif")));
    EXPECT_TRUE(IsJpegFile(JoinPath(dest, "thn_a.jpg")));
    EXPECT_TRUE(IsJpegFile(JoinPath(dest, "thn_b.jpg")));
    EXPECT_EQ(Out("a.gif"), (Size{640, 480}));
    EXPECT_EQ(Out("b.gif"), (Size{320, 200}));
    // With GIF chosen the thumbnail is written at the default quality, not the worst one.
    TempFolder scratch;
    job.m_nJpegQuality = 75;
    job.m_strDestFolder = scratch.path();
    Convert();
    EXPECT_EQ(ReadFile(JoinPath(dest, "thn_b.jpg")), ReadFile(scratch / "thn_b.jpg"));
}

TEST_F(Conversion, ReportsTwoStepsPerPictureInListOrder) {
    EXPECT_EQ(Convert(), std::vector<int>{});
    Jpeg("p0.jpg", 64, 48);
    EXPECT_EQ(Convert(), (std::vector<int>{40, 80}));
    Jpeg("p1.jpg", 64, 48);
    EXPECT_EQ(Convert(), (std::vector<int>{20, 40, 60, 80}));
    Raw("p2.jpg", "not a picture");  // steps are reported whether a file is made or not
    EXPECT_EQ(Convert(), (std::vector<int>{13, 26, 40, 53, 66, 80}));
    for (int i = 3; i < 7; ++i) {
        Jpeg("p" + std::to_string(i) + ".jpg", 64, 48);
    }
    const std::vector<int> seven{5, 11, 17, 22, 28, 34, 40, 45, 51, 57, 62, 68, 74, 79};
    EXPECT_EQ(Convert(), seven);
    EXPECT_EQ(Convert(1), seven);
}

TEST_F(Conversion, BadPicturesGiveNoFilesAndTheOthersAreStillConverted) {
    const std::string whole = ReadFile(MakeJpeg(folder, "whole.jpg", 256, 256, Noise));
    Jpeg("good1.jpg", 200, 100);
    Raw("empty.jpg", "");
    Raw("cut.jpg", whole.substr(0, whole.size() / 2));
    Raw("text.jpg", "Dear diary, today I took no pictures.\n");
    Raw("huge.bmp", BmpHeaderOnly(100'000, 100'000));
    Raw("hollow.bmp", BmpHeaderOnly(3000, 2000));
    images.Add(JoinPath(source, "missing.jpg"));
    Jpeg("good2.jpg", 100, 200);
    EXPECT_EQ(Convert().size(), 16u);
    EXPECT_EQ(FilesIn(dest),
              (std::vector<std::string>{"good1.jpg", "good2.jpg", "thn_good1.jpg", "thn_good2.jpg"}));
    EXPECT_EQ(Out("good1.jpg"), (Size{200, 100}));
    EXPECT_EQ(Out("thn_good2.jpg"), (Size{50, 100}));
}

// Each picture's outcome tells a source that could not be read from an output that could not be
// written; a failed large picture does not count as converted.
TEST_F(Conversion, OutcomesTellUnreadableSourcesFromOutputsNotWritten) {
    const std::string whole = ReadFile(MakeJpeg(folder, "whole.jpg", 256, 256, Noise));
    Jpeg("good.jpg", 200, 100);
    Raw("text.jpg", "Dear diary, today I took no pictures.\n");
    Raw("cut.jpg", whole.substr(0, whole.size() / 2));
    images.Add(JoinPath(source, "missing.jpg"));
    RecordingSink sink;
    std::atomic<bool> cancel{false};
    VimbralConverter converter;
    converter.ConvertImages(job, images, sink, cancel);
    std::vector<PictureOutcome> outcomes = converter.Outcomes();
    ASSERT_EQ(outcomes.size(), 4u);
    EXPECT_TRUE(outcomes[0].Converted());
    EXPECT_EQ(outcomes[1].unreadable, "not a picture that can be read");
    EXPECT_FALSE(outcomes[2].unreadable.empty());
    EXPECT_TRUE(outcomes[2].notWritten.empty());
    EXPECT_EQ(outcomes[3].unreadable, "No such file or directory");
    for (std::size_t i = 1; i < 4; ++i) {
        EXPECT_FALSE(outcomes[i].Converted()) << i;
        EXPECT_FALSE(outcomes[i].thumbnailWritten) << i;
    }

    // Into a folder that is not there: the source is fine, the outputs cannot be written.
    job.m_strDestFolder = JoinPath(dest, "missing");
    converter.ConvertImages(job, images, sink, cancel);
    outcomes = converter.Outcomes();
    EXPECT_TRUE(outcomes[0].unreadable.empty());
    ASSERT_EQ(outcomes[0].notWritten.size(), 2u);
    EXPECT_EQ(outcomes[0].notWritten[0].name, JoinPath(dest, "missing/good.jpg"));
    EXPECT_EQ(outcomes[0].notWritten[0].reason, "No such file or directory");
    EXPECT_EQ(outcomes[0].notWritten[1].name, JoinPath(dest, "missing/thn_good.jpg"));
    EXPECT_FALSE(outcomes[0].Converted());

    // A name too long for the folder once Vimbral's temporary suffix is added.
    job.m_strDestFolder = dest;
    images.RemoveAll();
    Raw(std::string(240, 'n') + ".jpg", ReadFile(MakeJpeg(folder, "small.jpg", 64, 48, Gradient)));
    converter.ConvertImages(job, images, sink, cancel);
    outcomes = converter.Outcomes();
    ASSERT_FALSE(outcomes[0].notWritten.empty());
    EXPECT_EQ(outcomes[0].notWritten[0].reason, "File name too long");
}

TEST_F(Conversion, DifficultPicturesComeOutRight) {
    const std::string cmyk = MakeWithMagick(folder, "cmyk.jpg", 160, 120, "-colorspace CMYK");
    const std::string deep = MakeWithMagick(folder, "deep.tif", 160, 120, "-depth 16");
    const std::string grey = MakeWithMagick(folder, "grey.jpg", 160, 120, "-colorspace Gray");
    const std::string pcx = MakeWithMagick(folder, "old.pcx", 160, 120);
    const std::string tga = MakeWithMagick(folder, "older.tga", 160, 120);
    for (const std::string& file : {cmyk, deep, grey, pcx, tga}) {
        images.Add(file);
    }
    const std::string red = folder.Write("red.bmp", SolidBmpBytes(160, 120, {255, 0, 0}));
    const std::string blue = folder.Write("blue.bmp", SolidBmpBytes(160, 120, {0, 0, 255}));
    ASSERT_TRUE(RunConvert("-delay 10 '" + red + "' '" + blue + "' -loop 0 '" + (folder / "anim.gif") + "'"));
    images.Add(folder / "anim.gif");
    Convert();
    for (const char* base : {"cmyk", "deep", "grey", "old", "older", "anim"}) {
        SCOPED_TRACE(base);
        EXPECT_EQ(Out(std::string(base) + ".jpg"), (Size{160, 120}));
        EXPECT_EQ(Out("thn_" + std::string(base) + ".jpg"), (Size{100, 75}));
    }
    EXPECT_TRUE(Near(ColourOf(DrawnPixels(JoinPath(dest, "thn_anim.jpg"))[37 * 100 + 50]), {255, 0, 0}, 12));
    EXPECT_TRUE(Near(ColourOf(DrawnPixels(JoinPath(dest, "cmyk.jpg"))[60 * 160 + 80]),
                     Gradient(80, 60, 160, 120), 48));
}

TEST_F(Conversion, AppliesExifOrientationAndStripsMetadata) {
    TempFolder scratch;
    const auto halves = [](int x, int, int width, int) {
        return x < width / 2 ? Rgb{255, 0, 0} : Rgb{0, 0, 255};
    };
    const std::string plain = ReadFile(MakeJpeg(scratch, "plain.jpg", 200, 100, halves, 95));
    Raw("turned.jpg", WithExifOrientation(plain, 6));
    Convert();
    EXPECT_EQ(Out("turned.jpg"), (Size{100, 200}));
    EXPECT_EQ(Out("thn_turned.jpg"), (Size{50, 100}));
    int w = 0, h = 0;
    const auto pixels = DrawnPixels(JoinPath(dest, "turned.jpg"), &w, &h);
    ASSERT_EQ(pixels.size(), 100u * 200u);
    EXPECT_TRUE(Near(ColourOf(pixels[40 * 100 + 50]), {255, 0, 0}, 40));
    EXPECT_TRUE(Near(ColourOf(pixels[160 * 100 + 50]), {0, 0, 255}, 40));
    EXPECT_FALSE(HasExif(JoinPath(dest, "turned.jpg")));
    EXPECT_FALSE(HasExif(JoinPath(dest, "thn_turned.jpg")));
}

TEST_F(Conversion, NoLargePicturesWhenTheDestinationIsTheSourceFolder) {
    const std::string a = Jpeg("a.jpg", 1600, 1200);
    const std::string original = ReadFile(a);
    for (const std::string& sameFolder : {source, source + "/.", folder.path() + "/dest/../src"}) {
        SCOPED_TRACE(sameFolder);
        job.m_strDestFolder = sameFolder;
        Convert();
        EXPECT_EQ(FilesIn(source), (std::vector<std::string>{"a.jpg", "thn_a.jpg"}));
        EXPECT_EQ(ReadFile(a), original);
        EXPECT_EQ(SizeOf(JoinPath(source, "thn_a.jpg")), (Size{100, 75}));
    }
    std::filesystem::create_directory_symlink(source, folder / "link");
    job.m_strDestFolder = folder / "link";
    Convert();
    EXPECT_EQ(ReadFile(a), original);
}

TEST_F(Conversion, TheLaterOfTwoPicturesWithOneBaseNameWins) {
    Bmp("a.bmp", 300, 150);
    Jpeg("b.jpg", 120, 90);
    Jpeg("a.jpg", 90, 120);  // same names as a.bmp: thn_a.jpg and a.jpg
    Convert();
    EXPECT_EQ(Out("a.jpg"), (Size{90, 120}));
    EXPECT_EQ(Out("thn_a.jpg"), (Size{75, 100}));
}

TEST_F(Conversion, ParallelOutputIsThatOfAConversionInListOrder) {
    Bmp("a.bmp", 640, 300, Noise);
    Jpeg("b.jpg", 900, 700, Noise);
    Jpeg("c.jpg", 300, 500);
    Bmp("a.tif.bmp", 200, 200);  // base name "a.tif": distinct from "a"
    Jpeg("a.jpg", 500, 800, Noise);
    Jpeg("d.jpg", 1000, 500, Noise);
    images.Add(JoinPath(source, "b.jpg"));  // the same picture twice
    Jpeg("e.jpg", 700, 700, Noise);
    const std::string sequential = dest;
    const std::string parallel = folder.MakeFolder("parallel");
    Convert(1);
    job.m_strDestFolder = parallel;
    Convert();
    ASSERT_EQ(FilesIn(sequential), FilesIn(parallel));
    for (const std::string& name : FilesIn(sequential)) {
        EXPECT_EQ(ReadFile(JoinPath(sequential, name)), ReadFile(JoinPath(parallel, name))) << name;
    }
    EXPECT_EQ(SizeOf(JoinPath(parallel, "a.jpg")), (Size{300, 480}));
}

TEST_F(Conversion, ACancelledConversionStartsNothingAndReportsNothing) {
    for (int i = 0; i < 3; ++i) {
        Jpeg("p" + std::to_string(i) + ".jpg", 64, 48);
    }
    RecordingSink sink;
    std::atomic<bool> cancel{true};
    VimbralConverter converter;
    converter.ConvertImages(job, images, sink, cancel);
    EXPECT_TRUE(sink.values.empty());
    EXPECT_TRUE(FilesIn(dest).empty());
}

TEST_F(Conversion, CancelStopsBetweenPictures) {
    for (int i = 0; i < 7; ++i) {
        Jpeg("p" + std::to_string(i) + ".jpg", 1200, 900, Noise);
    }
    const auto thumbnailsMade = [&] {
        std::size_t thumbnails = 0;
        for (const std::string& name : FilesIn(dest)) {
            thumbnails += name.rfind("thn_", 0) == 0 ? 1 : 0;
        }
        return thumbnails;
    };
    RecordingSink sink;
    std::atomic<bool> cancel{false};
    std::size_t madeAtCancel = 0;
    sink.onCall = [&] {
        madeAtCancel = thumbnailsMade();
        cancel = true;
    };
    VimbralConverter converter;
    converter.ConvertImages(job, images, sink, cancel);
    EXPECT_EQ(sink.values, std::vector<int>{5});
    // The pictures under way were finished, no other was started: at most one a worker beyond
    // those done when the cancel came (a loaded machine may report the first step late).
    const auto workers = std::max(1u, std::thread::hardware_concurrency());
    EXPECT_LE(thumbnailsMade(), madeAtCancel + workers);
}

}  // namespace
