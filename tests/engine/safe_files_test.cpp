#include "engine/safe_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "engine/directory.h"
#include "engine/page_escaping.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(const TempFolder& folder) {
    std::vector<std::string> names;
    for (const DirectoryEntry& entry : ListDirectory(folder.path())) {
        names.push_back(entry.name);
    }
    return names;
}

TEST(SafeFiles, WritesWholeFilesAndLeavesAnUnchangedOneAlone) {
    TempFolder dest;
    std::string reason;
    EXPECT_EQ(WriteFileSafely(dest / "page.htm", "first", reason), WriteOutcome::Written);
    EXPECT_EQ(ReadFile(dest / "page.htm"), "first");
    struct stat before {};
    ASSERT_EQ(::stat((dest / "page.htm").c_str(), &before), 0);
    EXPECT_EQ(
        before.st_mode & 0777, 0666 & ~[] {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            return mask;
        }());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(WriteFileSafely(dest / "page.htm", "first", reason), WriteOutcome::Unchanged);
    struct stat after {};
    ASSERT_EQ(::stat((dest / "page.htm").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(WriteFileSafely(dest / "page.htm", "second", reason), WriteOutcome::Written);
    EXPECT_EQ(ReadFile(dest / "page.htm"), "second");
    EXPECT_EQ(Names(dest), std::vector<std::string>{"page.htm"});
}

TEST(SafeFiles, FailuresSayWhyAndLeaveNothingBehind) {
    TempFolder dest;
    std::string reason;
    EXPECT_EQ(WriteFileSafely(dest / std::string(300, 'n'), "x", reason), WriteOutcome::Failed);
    EXPECT_EQ(reason, "File name too long");
    EXPECT_EQ(WriteFileSafely(dest / "missing/page.htm", "x", reason), WriteOutcome::Failed);
    EXPECT_EQ(reason, "No such file or directory");
    dest.MakeFolder("folder.htm");
    EXPECT_EQ(WriteFileSafely(dest / "folder.htm", "x", reason), WriteOutcome::Failed);
    EXPECT_EQ(reason, "not a regular file");
    EXPECT_EQ(Names(dest), std::vector<std::string>{"folder.htm"});
}

// Opening a FIFO for reading would wait for a writer for ever; writing would replace it.
TEST(SafeFiles, AFifoIsNeitherReadNorReplaced) {
    TempFolder dest;
    ASSERT_EQ(::mkfifo((dest / "notes.htm").c_str(), 0644), 0);
    std::string text, reason;
    EXPECT_FALSE(ReadRegularFile(dest / "notes.htm", text, reason));
    EXPECT_EQ(reason, "not a regular file");
    EXPECT_EQ(WriteFileSafely(dest / "notes.htm", "page", reason), WriteOutcome::Failed);
    EXPECT_TRUE(fs::is_fifo(dest / "notes.htm"));
    EXPECT_FALSE(ReadRegularFile(dest / "missing", text, reason));
    EXPECT_EQ(reason, "No such file or directory");
}

TEST(SafeFiles, AFolderLockIsExclusiveAndLeavesNoFile) {
    TempFolder dest;
    FolderLock first, second;
    std::string reason;
    ASSERT_TRUE(first.TryAcquire(dest.path(), reason)) << reason;
    EXPECT_FALSE(second.TryAcquire(dest.path(), reason));
    EXPECT_EQ(reason, kFolderBusy);
    first.Release();
    EXPECT_TRUE(second.TryAcquire(dest.path(), reason));
    EXPECT_TRUE(Names(dest).empty());
    EXPECT_FALSE(first.TryAcquire(dest / "missing", reason));
    EXPECT_EQ(reason, "No such file or directory");
}

TEST(PageEscaping, OrdinaryNamesStayAndEverythingElseIsEncoded) {
    EXPECT_EQ(UrlEncodeName("thn_IMG_0001.jpg"), "thn_IMG_0001.jpg");
    EXPECT_EQ(UrlEncodeName("a-b~c(1)+d,e;f=g@h!$*.jpg"), "a-b~c(1)+d,e;f=g@h!$*.jpg");
    EXPECT_EQ(UrlEncodeName("x\" onerror=\"alert(1).jpg"), "x%22%20onerror=%22alert(1).jpg");
    EXPECT_EQ(UrlEncodeName("#?%\\'<>&:\t\n/"), "%23%3F%25%5C%27%3C%3E%26%3A%09%0A%2F");
    EXPECT_EQ(UrlEncodeName("a&amp;b.jpg"), "a%26amp;b.jpg");
    EXPECT_EQ(UrlEncodeName("caf\xc3\xa9.jpg"), "caf%C3%A9.jpg");
    EXPECT_EQ(HtmlEscape("plain name.jpg"), "plain name.jpg");
    EXPECT_EQ(HtmlEscape("x\" onerror='a' <b>&amp;"), "x&quot; onerror=&#39;a&#39; &lt;b&gt;&amp;amp;");
}

}  // namespace
