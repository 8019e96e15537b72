#include "engine/directory.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace {

std::vector<std::string> Names(const std::vector<DirectoryEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& e : entries) {
        names.push_back(e.name + (e.isDirectory ? "/" : ""));
    }
    return names;
}

TEST(EnumerationOrder, FoldsLettersToUpperCaseThenBreaksTiesByBytes) {
    TempFolder dir;
    for (const char* name : {"b.jpg", "_x.jpg", "a.jpg", "A.jpg", "Z.jpg", "[.jpg", "10.jpg", "9.jpg"}) {
        dir.Write(name, "");
    }
    dir.MakeFolder("M");
    // '[' (0x5B) sorts after 'Z' but '_' (0x5F) does too; lower-case letters fold to upper case.
    EXPECT_EQ(Names(ListDirectory(dir.path())),
              (std::vector<std::string>{"10.jpg", "9.jpg", "A.jpg", "a.jpg", "b.jpg", "M/", "Z.jpg", "[.jpg",
                                        "_x.jpg"}));
}

TEST(EnumerationOrder, MissingFolderIsEmpty) {
    EXPECT_TRUE(ListDirectory("/nonexistent/galvane/folder").empty());
}

TEST(Wildcards, MatchIgnoringCase) {
    EXPECT_TRUE(MatchesWildcard("*.htm*", "main.htm"));
    EXPECT_TRUE(MatchesWildcard("*.htm*", "Index.HTML"));
    EXPECT_TRUE(MatchesWildcard("*.htm*", "a.b.htmx"));
    EXPECT_FALSE(MatchesWildcard("*.htm*", "page.ht"));
    EXPECT_FALSE(MatchesWildcard("*.htm*", "htm"));
    EXPECT_TRUE(MatchesWildcard("background.*", "BACKGROUND.JPG"));
    EXPECT_FALSE(MatchesWildcard("background.*", "background"));
    EXPECT_TRUE(MatchesWildcard("*", ""));
    EXPECT_TRUE(MatchesWildcard("a?c", "abc"));
    // A pathological pattern ends quickly instead of backtracking exponentially.
    EXPECT_FALSE(MatchesWildcard("*a*a*a*a*a*a*a*a*b", std::string(5000, 'a')));
}

TEST(Paths, JoinAndFileName) {
    EXPECT_EQ(JoinPath("/photos", "a.jpg"), "/photos/a.jpg");
    EXPECT_EQ(FileNameOf("/photos/a.jpg"), "a.jpg");
    EXPECT_EQ(FileNameOf("a.jpg"), "a.jpg");
}

}  // namespace
