// What the conversion tells the rest of the run about its files: the names it makes, the marks it
// recognises as its own, the files of others it writes over, a metadata edit that kept the
// modification time, and pictures that cannot be read.

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "engine/directory.h"
#include "engine/image_list.h"
#include "imaging/conversion.h"
#include "imaging/conversion_plan.h"
#include "imaging/output_provenance.h"
#include "tests/imaging/test_pictures.h"

namespace {

struct NoProgress : ProgressSink {
    void SetProgress(int, int) override {}
};

ino_t InodeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

class ConversionOutputs : public ::testing::Test {
protected:
    ConversionOutputs() : source(folder.MakeFolder("src")), dest(folder.MakeFolder("dest")) {
        job.m_strSourceFolder = source;
        job.m_strDestFolder = dest;
        job.m_nThumbMaxWidth = 100;
        job.m_nThumbMaxHeight = 100;
        job.m_nJpegQuality = 80;
    }

    std::string AddPhoto(const std::string& name, const std::string& bytes) {
        const std::string path = folder.Write("src/" + name, bytes);
        images.Add(path);
        return path;
    }

    std::vector<PictureOutcome> Convert() {
        NoProgress progress;
        std::atomic<bool> cancel{false};
        converter.ConvertImages(job, images, progress, cancel);
        return converter.Outcomes();
    }

    TempFolder folder;
    std::string source;
    std::string dest;
    GalleryJob job;
    ImageList images;
    VimbralConverter converter;

    std::vector<std::string> StaleNames() const {
        std::vector<std::string> names;
        for (const PictureConverter::StaleOutput& output : converter.StaleOutputs(job, images)) {
            names.push_back(output.name);
        }
        return names;
    }
};

TEST_F(ConversionOutputs, NamesMarksAndStaleOutputsComeFromOnePlan) {
    AddPhoto("a b%.jpg", ReadFile(MakeJpeg(folder, "a.jpg", 300, 200)));
    AddPhoto("c.png", ReadFile(MakeWithMagick(folder, "c.png", 120, 90)));
    EXPECT_EQ(converter.OutputNames(job, images),
              (std::vector<std::string>{"thn_a b%.jpg", "a b%.jpg", "thn_c.jpg", "c.jpg"}));
    EXPECT_EQ(StaleNames(), converter.OutputNames(job, images));
    Convert();
    EXPECT_EQ(StaleNames(), std::vector<std::string>{});

    // The marks name the kind and the source, its name decoded.
    const auto thumbnail = converter.ReadOutputMark(JoinPath(dest, "thn_a b%.jpg"));
    ASSERT_TRUE(thumbnail);
    EXPECT_EQ(thumbnail->kind, "thumbnail");
    EXPECT_EQ(thumbnail->sourceName, "a b%.jpg");
    const auto large = converter.ReadOutputMark(JoinPath(dest, "c.jpg"));
    ASSERT_TRUE(large);
    EXPECT_EQ(large->kind, "large");
    EXPECT_EQ(large->sourceName, "c.png");
    // A picture of the user's and a text carry none.
    EXPECT_FALSE(converter.ReadOutputMark(MakeJpeg(folder, "mine.jpg", 40, 30)));
    EXPECT_FALSE(converter.ReadOutputMark(folder.Write("notes.txt", "galvane-conversion=2 output=large")));

    // GIF large pictures and a same-folder run change the list.
    job.m_nJpegQuality = 0;
    // (thumbnails change too: they take the default quality when large pictures are GIF)
    EXPECT_EQ(StaleNames(),
              (std::vector<std::string>{"thn_a b%.jpg", "a b%.gif", "thn_c.jpg", "c.gif"}));
    job.m_strDestFolder = source;
    EXPECT_EQ(converter.OutputNames(job, images), (std::vector<std::string>{"thn_a b%.jpg", "thn_c.jpg"}));
}

TEST_F(ConversionOutputs, AnEditOfTheHeadWithTheTimeKeptRemakesThePictureOnce) {
    const std::string plain = ReadFile(MakeJpeg(folder, "p.jpg", 320, 240));
    const std::string photo = AddPhoto("a.jpg", WithExifOrientation(plain, 1));
    AddPhoto("b.jpg", ReadFile(MakeJpeg(folder, "q.jpg", 200, 100)));
    Convert();
    const ino_t aThumb = InodeOf(JoinPath(dest, "thn_a.jpg")), bThumb = InodeOf(JoinPath(dest, "thn_b.jpg"));
    EXPECT_EQ(SizeOf(JoinPath(dest, "a.jpg")), (Size{320, 240}));

    // Turned by its orientation only: same size, the old modification time put back.
    struct stat before {};
    ASSERT_EQ(::stat(photo.c_str(), &before), 0);
    const std::string turned = WithExifOrientation(plain, 6);
    ASSERT_EQ(turned.size(), static_cast<std::size_t>(before.st_size));
    folder.Write("src/a.jpg", turned);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, photo.c_str(), times, 0), 0);

    EXPECT_EQ(StaleNames(), (std::vector<std::string>{"thn_a.jpg", "a.jpg"}));
    Convert();
    EXPECT_EQ(converter.ConvertedCount(), 1);
    EXPECT_EQ(converter.UpToDateCount(), 1);
    EXPECT_NE(InodeOf(JoinPath(dest, "thn_a.jpg")), aThumb);
    EXPECT_EQ(InodeOf(JoinPath(dest, "thn_b.jpg")), bThumb);
    EXPECT_EQ(SizeOf(JoinPath(dest, "a.jpg")), (Size{240, 320}));
    Convert();
    EXPECT_EQ(converter.UpToDateCount(), 2);
}

TEST_F(ConversionOutputs, OutputsThatWriteOverAFileOfTheUsersNameIt) {
    AddPhoto("a.jpg", ReadFile(MakeJpeg(folder, "a.jpg", 300, 200)));
    AddPhoto("b.jpg", ReadFile(MakeJpeg(folder, "b.jpg", 300, 200)));
    MakeJpeg(folder, "dest/thn_a.jpg", 50, 50);
    folder.Write("dest/b.jpg", "the user's own text");
    std::vector<PictureOutcome> outcomes = Convert();
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].replacedForeign, std::vector<std::string>{"thn_a.jpg"});
    EXPECT_EQ(outcomes[1].replacedForeign, std::vector<std::string>{"b.jpg"});

    // Its own outputs, stale or not, it replaces without a word.
    job.m_nThumbMaxWidth = 60;
    outcomes = Convert();
    EXPECT_EQ(converter.ConvertedCount(), 2);
    for (const PictureOutcome& outcome : outcomes) {
        EXPECT_EQ(outcome.replacedForeign, std::vector<std::string>{});
    }

    // A picture that cannot be read writes nothing over the user's file, and names nothing.
    folder.Write("src/a.jpg", "broken now");
    MakeJpeg(folder, "dest/thn_a.jpg", 50, 50);
    outcomes = Convert();
    EXPECT_FALSE(outcomes[0].unreadable.empty());
    EXPECT_EQ(outcomes[0].replacedForeign, std::vector<std::string>{});
    EXPECT_EQ(SizeOf(JoinPath(dest, "thn_a.jpg")), (Size{50, 50}));
}

TEST_F(ConversionOutputs, UnreadablePicturesAreToldBeforehand) {
    const std::string good = AddPhoto("x.jpg", ReadFile(MakeJpeg(folder, "x.jpg", 64, 48)));
    const std::string bad = AddPhoto("x.JPG", "not a picture at all");
    EXPECT_EQ(converter.WhyUnreadable(good), "");
    EXPECT_EQ(converter.WhyUnreadable(bad), "not a picture that can be read");
    EXPECT_FALSE(converter.WhyUnreadable(folder / "src/missing.jpg").empty());
}

}  // namespace

namespace {

// A gallery of albums: pictures of one name in different albums are converted in the one pool,
// each into its album's folder, and named with that folder.
TEST_F(ConversionOutputs, PicturesOfAlbumsGoIntoTheirAlbumsFoldersInOnePool) {
    const std::string top = AddPhoto("a.jpg", ReadFile(MakeJpeg(folder, "t.jpg", 120, 80)));
    const std::string inner = folder.Write("src/Day 1/a.jpg", ReadFile(MakeJpeg(folder, "d.jpg", 80, 120)));
    ASSERT_TRUE(std::filesystem::create_directories(JoinPath(dest, "Day 1")));
    images.Add(ImageEntry{inner, "Day 1"});
    EXPECT_EQ(converter.OutputNames(job, images),
              (std::vector<std::string>{"thn_a.jpg", "a.jpg", "Day 1/thn_a.jpg", "Day 1/a.jpg"}));
    const std::vector<PictureOutcome> outcomes = Convert();
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_TRUE(outcomes[0].Converted());
    EXPECT_TRUE(outcomes[1].Converted());
    EXPECT_EQ(SizeOf(JoinPath(dest, "a.jpg")), (Size{120, 80}));
    EXPECT_EQ(SizeOf(JoinPath(dest, "Day 1/a.jpg")), (Size{80, 120}));
    const auto mark = converter.ReadOutputMark(JoinPath(dest, "Day 1/thn_a.jpg"));
    ASSERT_TRUE(mark);
    EXPECT_EQ(mark->sourceName, "a.jpg");
    EXPECT_EQ(StaleNames(), std::vector<std::string>{});

    // One name in two albums is no conflict: two units, converted side by side.
    ConversionSettings settings = SettingsOf(job);
    ConversionSettings album = AlbumSettingsOf(job, "Day 1");
    EXPECT_EQ(PlanWorkUnits({top, inner}, {&settings, &album}).size(), 2u);
    EXPECT_EQ(PlanWorkUnits({top, inner}, settings).size(), 1u);

    // A file of the user's at an album's output name is named with the album's folder.
    folder.Write("dest/Day 1/thn_a.jpg", "mine");
    converter.SetRebuild(true);
    const std::vector<PictureOutcome> again = Convert();
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(again[1].replacedForeign, std::vector<std::string>{"Day 1/thn_a.jpg"});
}

}  // namespace
