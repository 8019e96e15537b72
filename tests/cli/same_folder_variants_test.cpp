// Publishing into the source folder with a style that asks for variants: the sources are
// published as they are, with WebP files of each beside them for smaller screens.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/directory.h"
#include "tests/cli/publish_runner.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

struct FileState {
    std::string bytes;
    ino_t inode = 0;
    long long mtime = 0;
    bool operator==(const FileState&) const = default;
};

// Every file of the folder whose name ends with `suffix`.
std::map<std::string, FileState> FilesEndingWith(const std::string& folder, const std::string& suffix) {
    std::map<std::string, FileState> files;
    for (const DirectoryEntry& entry : ListDirectory(folder)) {
        struct stat st {};
        const std::string path = JoinPath(folder, entry.name);
        if (!entry.isDirectory && entry.name.ends_with(suffix) && ::stat(path.c_str(), &st) == 0) {
            files[entry.name] = {ReadFile(path), st.st_ino,
                                 st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec};
        }
    }
    return files;
}

// The text of all picture pages of the gallery.
std::string PicturePages(const std::string& folder) {
    std::string text;
    for (const DirectoryEntry& entry : ListDirectory(folder)) {
        if (entry.name.starts_with("imagepage")) {
            text += ReadFile(JoinPath(folder, entry.name));
        }
    }
    return text;
}

class SameFolderVariants : public ::testing::Test {
protected:
    Outcome Publish(const std::vector<std::string>& style = {"--style", "Classic"}) {
        std::vector<std::string> args = {"--source", source, "--use-original", "--quiet"};
        args.insert(args.end(), style.begin(), style.end());
        return RunPublish(args);
    }

    TempFolder folder;
    const std::string source = folder.MakeFolder("photos");
};

TEST_F(SameFolderVariants, AreMadeMarkedListedAndLeftAsTheyAreOnARepublish) {
    MakeJpeg(source + "/p1.jpg", "1500x1000", 1);
    MakeJpeg(source + "/p2.jpg", "1500x1000", 2);
    MakeJpeg(source + "/small.jpg", "600x400", 3);
    const auto sources = FilesEndingWith(source, ".jpg");

    const Outcome first = Publish();
    ASSERT_EQ(first.exitCode, 0) << first.output;
    for (const std::string name : {"p1-800w.webp", "p1-1280w.webp", "p2-800w.webp", "p2-1280w.webp"}) {
        const std::string bytes = ReadFile(source + "/" + name);
        ASSERT_EQ(bytes.substr(0, 4), "RIFF") << name;
        EXPECT_TRUE(Contains(bytes, "output=variant")) << name;
        EXPECT_TRUE(Contains(bytes, name.substr(0, 2) + ".jpg")) << name;
    }
    // Never enlarged: the small photo narrower than every width gets its WebP twin alone.
    EXPECT_FALSE(fs::exists(source + "/small-800w.webp"));
    EXPECT_EQ(ReadFile(source + "/small-600w.webp").substr(0, 4), "RIFF");
    const std::string pages = PicturePages(source);
    EXPECT_TRUE(Contains(
        pages, "srcset=\"p1-800w.webp 800w, p1-1080w.webp 1080w, p1-1280w.webp 1280w, p1.jpg 1500w\""))
        << pages;
    EXPECT_TRUE(Contains(pages, "srcset=\"small-600w.webp 600w\"")) << pages;
    // The designed picture is still the source.
    EXPECT_TRUE(Contains(pages, "src=\"p1.jpg\"")) << pages;

    const auto variants = FilesEndingWith(source, "w.webp");
    ASSERT_EQ(variants.size(), 7u);  // 800, 1080 (720 pixels tall) and 1280 of each 3:2 photo
    for (int run = 0; run < 2; ++run) {
        const Outcome again = Publish();
        ASSERT_EQ(again.exitCode, 0) << again.output;
        // Nothing remade, and the variants are no pictures of the gallery.
        EXPECT_EQ(FilesEndingWith(source, "w.webp"), variants);
        EXPECT_FALSE(fs::exists(source + "/thn_p1-800w.jpg"));
        // Nor are the style's pictures and the background the first run copied beside them.
        EXPECT_FALSE(fs::exists(source + "/thn_background.jpg"));
        EXPECT_FALSE(fs::exists(source + "/thn_empty.jpg"));
        EXPECT_FALSE(fs::exists(source + "/imagepage4.htm"));
        EXPECT_FALSE(Contains(again.output, "removed")) << again.output;
    }
    for (const auto& [name, state] : sources) {
        EXPECT_EQ(FilesEndingWith(source, name).at(name), state) << name;
    }
}

TEST_F(SameFolderVariants, GoWithTheirSourceWhileAUsersFileOfTheirNameStays) {
    MakeJpeg(source + "/p1.jpg", "1500x1000", 1);
    MakeJpeg(source + "/p2.jpg", "1500x1000", 2);
    // The user's own WebP photo under the name of p1's variant: a source like any.
    MakeJpeg(source + "/p1-800w.webp", "300x200", 4);
    const std::string mine = ReadFile(source + "/p1-800w.webp");

    const Outcome first = Publish();
    EXPECT_TRUE(Contains(first.output, "could not write " + source +
                                           "/p1-800w.webp: a file that Galvane "
                                           "did not make has this name"))
        << first.output;
    EXPECT_EQ(ReadFile(source + "/p1-800w.webp"), mine);
    ASSERT_TRUE(fs::exists(source + "/p1-1280w.webp"));
    ASSERT_TRUE(fs::exists(source + "/p2-800w.webp"));
    // Its own page shows it; p1's list leaves out the width it could not make.
    EXPECT_TRUE(fs::exists(source + "/thn_p1-800w.jpg"));
    const std::string pages = PicturePages(source);
    EXPECT_TRUE(Contains(pages, "srcset=\"p1-1080w.webp 1080w, p1-1280w.webp 1280w, p1.jpg 1500w\""))
        << pages;

    fs::remove(source + "/p1.jpg");
    fs::remove(source + "/p2.jpg");
    const Outcome again = Publish();
    ASSERT_EQ(again.exitCode, 0) << again.output;
    for (const std::string name :
         {"p1-1080w.webp", "p1-1280w.webp", "p2-800w.webp", "p2-1280w.webp", "thn_p2@2x.webp"}) {
        EXPECT_FALSE(fs::exists(source + "/" + name)) << name;
    }
    EXPECT_EQ(ReadFile(source + "/p1-800w.webp"), mine);
    EXPECT_TRUE(fs::exists(source + "/thn_p1-800w.jpg"));
}

TEST_F(SameFolderVariants, AStyleAskingForNoneGetsNone) {
    MakeJpeg(source + "/p1.jpg", "1500x1000", 1);
    // Classic with its WebP lists turned back into the designed names.
    const std::string style = folder / "###Plain";
    fs::copy(std::string(GALVANE_STYLES_DIR) + "/###Classic", style, fs::copy_options::recursive);
    for (const auto& entry : fs::directory_iterator(style)) {
        if (entry.path().extension() != ".htm") {
            continue;
        }
        std::string text = ReadFile(entry.path().string());
        for (const auto& [from, to] :
             {std::pair<std::string, std::string>{"WEBPWIDTHS", "PICTURE"}, {"WEBPTHUMBS", "THUMBNAIL"}}) {
            for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
                text.replace(at, from.size(), to);
            }
        }
        folder.Write(fs::relative(entry.path(), folder.path()).string(), text);
    }
    const Outcome run = Publish({"--style", style});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(FilesEndingWith(source, ".webp").size(), 0u);
    EXPECT_TRUE(fs::exists(source + "/thn_p1.jpg"));
    EXPECT_FALSE(Contains(PicturePages(source), ".webp")) << PicturePages(source);
}

}  // namespace
