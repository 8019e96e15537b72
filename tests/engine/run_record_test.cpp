// The record a run leaves of the files it wrote, Galvane's own file names, and what a run does with
// the destination's other files when it ends, is cancelled or fails.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "engine/content_hash.h"
#include "engine/directory.h"
#include "engine/picture_names.h"
#include "engine/picture_selection.h"
#include "engine/progress.h"
#include "engine/publication_run.h"
#include "engine/run_manifest.h"
#include "engine/stale_files.h"
#include "tests/support/temp_folder.h"

namespace {

TEST(ContentHash, IsSha256) {
    EXPECT_EQ(ContentHash(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(ContentHash("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the length goes into a second block.
    EXPECT_EQ(ContentHash("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(ContentHash(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(RunManifest, ReadsBackWhatItWroteAndNothingDoubtful) {
    RunManifest manifest;
    const std::string hash = ContentHash("page");
    for (const std::string name : {"main.htm", "a b%.htm", "line\nbreak.css", "caf\xC3\xA9.gif"}) {
        manifest.Record(name, hash);
    }
    const std::string text = manifest.Text();
    EXPECT_EQ(text.substr(0, text.find('\n')), "galvane-manifest 1");
    EXPECT_NE(text.find(hash + " a%20b%25.htm\n"), std::string::npos) << text;
    EXPECT_EQ(RunManifest::Parse(text).Entries(), manifest.Entries());

    // Lines that cannot be read are skipped; another version is not read at all.
    const std::string doubtful = "galvane-manifest 1\n" + hash + " ../outside.htm\n" + hash + " sub/x.htm\n" +
                                 hash.substr(1) + " short.htm\n" + hash + " %2\n" + hash + " ok.htm\n";
    EXPECT_EQ(RunManifest::Parse(doubtful).Entries().size(), 1u);
    EXPECT_NE(RunManifest::Parse(doubtful).HashOf("ok.htm"), nullptr);
    EXPECT_TRUE(RunManifest::Parse("galvane-manifest 2\n" + hash + " ok.htm\n").Empty());
    EXPECT_TRUE(RunManifest::Parse("").Empty());
}

TEST(OwnFileNames, AreTheTemporariesAndTheGalvaneNamesOnly) {
    for (const char* name : {".galvane-aB3dE9", ".galvane-probe-x1Y2z3", ".thn_a.jpg.vimbral-Q1w2E3",
                             ".a b.gif.vimbral-000000"}) {
        EXPECT_TRUE(IsOwnTemporaryName(name)) << name;
        EXPECT_TRUE(IsOwnLocalFileName(name)) << name;
    }
    for (const char* name :
         {".galvane-manifest", ".galvane-ab", ".galvane-aB3dE9x", "galvane-aB3dE9", ".vimbral-Q1w2E3",
          "a.jpg.vimbral-Q1w2E3", ".a.jpg.vimbral-Q1w2E", ".galvane-aB3d.9"}) {
        EXPECT_FALSE(IsOwnTemporaryName(name)) << name;
    }
    EXPECT_TRUE(IsOwnLocalFileName(".galvane-manifest"));
    EXPECT_FALSE(IsOwnLocalFileName(".hidden"));
    EXPECT_FALSE(IsOwnLocalFileName("galvane-notes.txt"));
}

TEST(SelectPublishable, AnUnreadablePictureTakesNoNameFromAReadableOne) {
    ImageList images;
    for (const char* path : {"/s/x.JPG", "/s/x.jpg", "/s/y.bmp", "/s/y.tif", "/s/z.png"}) {
        images.Add(path);
    }
    RunReport report;
    const auto unreadable = [](const std::string& path) {
        return path == "/s/x.JPG" || path == "/s/z.png" ? std::string("broken") : std::string();
    };
    EXPECT_EQ(SelectPublishable(images, 75, true, report, unreadable), (std::vector<std::size_t>{1, 2, 4}));
    ASSERT_EQ(report.unreadable.size(), 1u);  // z.png contests nothing: the conversion says why
    EXPECT_EQ(report.unreadable[0].name, "/s/x.JPG");
    ASSERT_EQ(report.leftOut.size(), 1u);
    EXPECT_EQ(report.leftOut[0].name, "/s/y.tif");
}

// Writes an empty file under each output name, and reports each picture converted.
class EmptyFileConverter : public PictureConverter {
public:
    int ConvertImages(const GalleryJob& job, const ImageList& images, ProgressSink& progress,
                      const std::atomic<bool>& cancel) override {
        if (throws) {
            throw std::runtime_error("out of memory");
        }
        ConversionProgress steps(progress, static_cast<int>(images.GetSize()));
        for (const std::string& name : OutputNames(job, images)) {
            std::ofstream(JoinPath(job.m_strDestFolder, name));
        }
        for (std::size_t i = 0; i < images.GetSize() * 2; ++i) {
            steps.Step();
        }
        if (cancelDuring != nullptr) {
            cancelDuring->RequestCancel();
        }
        (void)cancel;
        return static_cast<int>(images.GetSize());
    }
    bool throws = false;
    GalleryPublisher* cancelDuring = nullptr;
};

struct Quiet : ProgressSink {
    void SetProgress(int, int) override {}
};

class RunEnd : public ::testing::Test {
protected:
    RunEnd() {
        job.m_strSourceFolder = source.path();
        job.m_strDestFolder = dest.path();
        job.m_strStylePath = style.path();
        job.m_nJpegQuality = 75;
        style.Write("main.htm", "<MAIN-INDEX-PAGE><MAIN><a href=\"LINKTOFIRSTPAGE\">TITLEOFPAGE</a>");
        style.Write("page.htm", "<MAIN-INDEX-PAGE><PAGE><img src=\"PICTURE\">");
        style.Write("old.css", "css");
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
            source.Write(name, "x");
        }
        publisher.ScanSourceFolder();
    }
    const RunReport& Run() {
        Quiet quiet;
        publisher.RunPublication(quiet);
        return publisher.Report();
    }
    TempFolder source, dest, style;
    GalleryJob job;
    EmptyFileConverter converter;
    GalleryPublisher publisher{job, converter};
};

TEST_F(RunEnd, RecordedFilesGoOnlyWhileUnchangedAndOnlyAfterACompletedRun) {
    ASSERT_TRUE(Run().completed);
    const RunManifest record = RunManifest::Read(dest.path());
    EXPECT_NE(record.HashOf("imagepage3.htm"), nullptr);
    EXPECT_NE(record.HashOf("old.css"), nullptr);
    EXPECT_EQ(record.HashOf("thn_a.jpg"), nullptr);  // pictures carry their own mark
    EXPECT_EQ(record.HashOf("main.htm") != nullptr ? *record.HashOf("main.htm") : "",
              ContentHash(ReadFile(dest / "main.htm")));

    // A failed run and a cancelled one remove nothing.
    publisher.m_imageList.RemoveAt(2);
    style.Write("new.css", "css");
    std::filesystem::remove(style / "old.css");
    converter.throws = true;
    EXPECT_FALSE(Run().failure.empty());
    converter.throws = false;
    converter.cancelDuring = &publisher;
    EXPECT_TRUE(Run().cancelled);
    publisher.ResetCancel();
    converter.cancelDuring = nullptr;
    EXPECT_TRUE(FileExists(dest / "imagepage3.htm"));
    EXPECT_TRUE(FileExists(dest / "old.css"));
    EXPECT_EQ(RunManifest::Read(dest.path()).Entries(), record.Entries());

    // The picture dropped from the list: its page goes; the old style file goes; the empty
    // "pictures" carry no mark and stay, named.
    dest.Write("notes.txt", "mine");
    const RunReport& report = Run();
    ASSERT_TRUE(report.completed);
    EXPECT_FALSE(FileExists(dest / "imagepage3.htm"));
    EXPECT_FALSE(FileExists(dest / "old.css"));
    EXPECT_EQ(report.removed, (std::vector<std::string>{"imagepage3.htm", "old.css"}));
    EXPECT_EQ(report.kept, (std::vector<std::string>{"c.jpg", "notes.txt", "thn_c.jpg"}));
    EXPECT_TRUE(report.replacedForeign.empty());
    EXPECT_NE(RunManifest::Read(dest.path()).HashOf("new.css"), nullptr);
    EXPECT_EQ(RunManifest::Read(dest.path()).HashOf("old.css"), nullptr);

    // --keep-stale: nothing goes, yet the record keeps what a later run may remove.
    publisher.m_imageList.RemoveAt(1);
    publisher.SetKeepStale(true);
    EXPECT_TRUE(Run().removed.empty());
    EXPECT_TRUE(FileExists(dest / "imagepage2.htm"));
    publisher.SetKeepStale(false);
    EXPECT_EQ(Run().removed, std::vector<std::string>{"imagepage2.htm"});

    // A page of Galvane's the user edited is theirs: at an output name it is replaced, and named.
    dest.Write("imagepage1.htm", "edited");
    EXPECT_EQ(Run().replacedForeign, std::vector<std::string>{"imagepage1.htm"});
    EXPECT_TRUE(Run().replacedForeign.empty());
}

}  // namespace
