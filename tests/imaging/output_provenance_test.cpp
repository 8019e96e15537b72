// Outputs that record where they came from: the comment Vimbral writes and reads, and the
// provenance the conversion puts into every thumbnail and large picture.

#include "imaging/output_provenance.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "engine/directory.h"
#include "imaging/conversion.h"
#include "imaging/vimbral/vimbral.h"
#include "tests/imaging/test_pictures.h"

namespace {

std::string CommentOf(const std::string& path) {
    char buffer[70000];
    const int length = vimbral::ReadComment(path.c_str(), buffer, sizeof buffer);
    return length < 0 ? std::string("(none)") : std::string(buffer, static_cast<std::size_t>(length));
}

TEST(FileComments, JpegAndGifCarryTheCommentAndNothingElse) {
    TempFolder folder;
    const std::string source = MakeJpeg(folder, "s.jpg", 40, 30);
    const std::string text = "first line\nand a second, with bytes \x01\xFF" + std::string(600, 'x');
    for (const int format : {vimbral::kFormatJpeg, vimbral::kFormatGif}) {
        SCOPED_TRACE(format);
        const std::string out = folder / (format == vimbral::kFormatGif ? "c.gif" : "c.jpg");
        vimbral::Image image = vimbral::InitImageObject(source.c_str(), nullptr, -1, -1);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(vimbral::SetComment(image, text.c_str()), 1);
        ASSERT_NE(vimbral::Save(image, out.c_str(), format), 0);
        vimbral::DeleteImageObject(image);
        EXPECT_EQ(CommentOf(out), text);  // more than one GIF sub-block
        EXPECT_EQ(SizeOf(out), (Size{40, 30}));
        EXPECT_FALSE(HasExif(out));
        // A short buffer gets the start of it, still terminated.
        char shortBuffer[6];
        EXPECT_EQ(vimbral::ReadComment(out.c_str(), shortBuffer, sizeof shortBuffer),
                  static_cast<int>(text.size()));
        EXPECT_STREQ(shortBuffer, "first");
    }
    EXPECT_EQ(CommentOf(source), "(none)");
    EXPECT_EQ(CommentOf(folder.Write("t.jpg", "not a picture")), "(none)");
    EXPECT_EQ(CommentOf(folder / "missing.jpg"), "(none)");
    vimbral::Image image = vimbral::InitImageObject(source.c_str(), nullptr, -1, -1);
    EXPECT_EQ(vimbral::SetComment(image, std::string(65534, 'x').c_str()), 0);
    vimbral::DeleteImageObject(image);
}

struct NoProgress : ProgressSink {
    void SetProgress(int position, int) override { positions.push_back(position); }
    std::vector<int> positions;
};

// An output rewritten gets a new inode (outputs are renamed into place).
ino_t InodeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

class Provenance : public ::testing::Test {
protected:
    Provenance() : source(folder.MakeFolder("src")), dest(folder.MakeFolder("dest")) {
        job.m_strSourceFolder = source;
        job.m_strDestFolder = dest;
        job.m_nThumbMaxWidth = 100;
        job.m_nThumbMaxHeight = 100;
        job.m_nLargeMaxWidth = 640;
        job.m_nLargeMaxHeight = 480;
        job.m_nJpegQuality = 80;
        std::filesystem::copy_file(MakeJpeg(folder, "a.jpg", 800, 600), photo);
        images.Add(photo);
    }

    // Returns the pictures converted and left up to date, and the progress positions.
    std::pair<int, int> Convert(bool rebuild = false, std::vector<int>* positions = nullptr) {
        NoProgress progress;
        std::atomic<bool> cancel{false};
        VimbralConverter converter;
        converter.SetRebuild(rebuild);
        converter.ConvertImages(job, images, progress, cancel);
        if (positions != nullptr) {
            *positions = progress.positions;
        }
        return {converter.ConvertedCount(), converter.UpToDateCount()};
    }

    std::string Expected(OutputKind kind) const {
        return ProvenanceText(SettingsOf(job), kind, *IdentifySource(photo));
    }

    TempFolder folder;
    std::string source;
    std::string dest;
    std::string photo = JoinPath(source, "a.jpg");
    GalleryJob job;
    ImageList images;
};

TEST_F(Provenance, OutputsRecordTheSourceToTheNanosecondAndTheSettings) {
    Convert();
    const std::string thumbnail = JoinPath(dest, "thn_a.jpg");
    const std::string large = JoinPath(dest, "a.jpg");
    struct stat st {};
    ASSERT_EQ(::stat(photo.c_str(), &st), 0);
    char mtime[40];
    std::snprintf(mtime, sizeof mtime, "%lld.%09ld", static_cast<long long>(st.st_mtim.tv_sec),
                  st.st_mtim.tv_nsec);
    const std::string mark = *ReadProvenance(thumbnail);
    const std::string head =
        "galvane-conversion=2 output=thumbnail source-name=a.jpg source-size=" + std::to_string(st.st_size) +
        " source-mtime=" + mtime + " source-head=";
    ASSERT_EQ(mark.substr(0, head.size()), head);
    EXPECT_EQ(mark.substr(head.size() + 16), " limits=100x100 quality=80");
    EXPECT_EQ(mark.substr(head.size(), 16).find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(*ReadProvenance(large), Expected(OutputKind::LargePicture));
    EXPECT_TRUE(IsOutputUpToDate(thumbnail, Expected(OutputKind::Thumbnail)));
    EXPECT_TRUE(IsOutputUpToDate(large, Expected(OutputKind::LargePicture)));
    EXPECT_FALSE(HasExif(large));
    EXPECT_EQ(SizeOf(large), (Size{640, 480}));

    // GIF large pictures carry theirs in a comment extension.
    job.m_nJpegQuality = 0;
    Convert();
    EXPECT_EQ(*ReadProvenance(JoinPath(dest, "a.gif")), Expected(OutputKind::LargePicture));
    EXPECT_NE(Expected(OutputKind::LargePicture).find(" gif"), std::string::npos);
}

TEST_F(Provenance, AnOutputIsOutOfDateWhenSourceSettingsOrTheFileItselfChanged) {
    Convert();
    const std::string thumbnail = JoinPath(dest, "thn_a.jpg");
    const std::string expected = Expected(OutputKind::Thumbnail);
    ASSERT_TRUE(IsOutputUpToDate(thumbnail, expected));
    const SourceIdentity converted = *IdentifySource(photo);

    // One nanosecond later, same size.
    struct stat st {};
    ASSERT_EQ(::stat(photo.c_str(), &st), 0);
    timespec times[2] = {st.st_atim, st.st_mtim};
    times[1].tv_nsec = (times[1].tv_nsec + 1) % 1'000'000'000;
    ASSERT_EQ(::utimensat(AT_FDCWD, photo.c_str(), times, 0), 0);
    EXPECT_FALSE(IsOutputUpToDate(thumbnail, Expected(OutputKind::Thumbnail)));

    // The same source, with other limits or another quality.
    GalleryJob other = job;
    other.m_nThumbMaxWidth = 120;
    EXPECT_FALSE(
        IsOutputUpToDate(thumbnail, ProvenanceText(SettingsOf(other), OutputKind::Thumbnail, converted)));
    other = job;
    other.m_nJpegQuality = 81;
    EXPECT_FALSE(
        IsOutputUpToDate(thumbnail, ProvenanceText(SettingsOf(other), OutputKind::Thumbnail, converted)));
    EXPECT_TRUE(
        IsOutputUpToDate(thumbnail, ProvenanceText(SettingsOf(job), OutputKind::Thumbnail, converted)));

    // A cut file, and one that carries no provenance.
    const std::string bytes = ReadFile(thumbnail);
    const std::string cut = folder.Write("cut.jpg", bytes.substr(0, bytes.size() - 40));
    EXPECT_FALSE(IsOutputUpToDate(cut, expected));
    EXPECT_FALSE(ReadProvenance(photo));
    EXPECT_FALSE(IsOutputUpToDate(folder / "missing.jpg", expected));
}

TEST_F(Provenance, OnlyPicturesWhoseOutputsAreMissingOrOutOfDateAreConvertedAgain) {
    const std::string second = JoinPath(source, "b.jpg");
    std::filesystem::copy_file(MakeJpeg(folder, "b.jpg", 300, 200), second);
    images.Add(second);
    const std::string thumbnail = JoinPath(dest, "thn_a.jpg");
    const std::string large = JoinPath(dest, "a.jpg");
    std::vector<int> first, again;
    EXPECT_EQ(Convert(false, &first), std::make_pair(2, 0));
    const ino_t thumbnailInode = InodeOf(thumbnail), largeInode = InodeOf(large);

    EXPECT_EQ(Convert(false, &again), std::make_pair(0, 2));
    EXPECT_EQ(again, first);  // the same progress steps
    EXPECT_EQ(InodeOf(thumbnail), thumbnailInode);
    EXPECT_EQ(InodeOf(large), largeInode);

    // The source touched (same bytes, new time): converted again.
    struct stat st {};
    ASSERT_EQ(::stat(photo.c_str(), &st), 0);
    timespec times[2] = {st.st_atim, st.st_mtim};
    times[1].tv_nsec = (times[1].tv_nsec + 1) % 1'000'000'000;
    ASSERT_EQ(::utimensat(AT_FDCWD, photo.c_str(), times, 0), 0);
    EXPECT_EQ(Convert(), std::make_pair(1, 1));
    EXPECT_NE(InodeOf(thumbnail), thumbnailInode);

    // A missing thumbnail, a cut large picture.
    std::filesystem::remove(JoinPath(dest, "thn_b.jpg"));
    EXPECT_EQ(Convert(), std::make_pair(1, 1));
    const std::string bytes = ReadFile(large);
    folder.Write("dest/a.jpg", bytes.substr(0, bytes.size() / 2));
    EXPECT_EQ(Convert(), std::make_pair(1, 1));
    EXPECT_EQ(SizeOf(large), (Size{640, 480}));

    // Other settings; then rebuild converts everything.
    job.m_nLargeMaxWidth = 320;
    EXPECT_EQ(Convert(), std::make_pair(2, 0));
    EXPECT_EQ(SizeOf(large), (Size{320, 240}));
    EXPECT_EQ(Convert(true), std::make_pair(2, 0));
    EXPECT_EQ(Convert(), std::make_pair(0, 2));
}

}  // namespace
