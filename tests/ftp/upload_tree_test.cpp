// What an upload takes from a tree of folders, and what a listing tells of the folders on a server.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ftp/remote_folder_names.h"
#include "ftp/upload_record.h"
#include "ftp/upload_tree.h"
#include "tests/support/temp_folder.h"

namespace {

using Names = std::vector<std::string>;

Names NamesOf(const UploadTree& tree) {
    Names names;
    for (const UploadFile& file : tree.files) {
        names.push_back(file.name);
    }
    return names;
}

TEST(ListUploadTree, GivesTheTopFilesAsTheFlatListThenEachFolderDepthFirst) {
    TempFolder folder;
    for (const char* name : {"b.jpg", "A.txt", ".hidden-file", "Rome/r.jpg", "Rome/Day 1/d.jpg",
                             "Rome/Day 1/Morning/m.jpg", "Rome/a.jpg", "Family/f.jpg", "Zoo/z.jpg"}) {
        folder.Write(name, name);
    }
    folder.MakeFolder("Empty");
    ASSERT_EQ(::symlink((folder / "b.jpg").c_str(), (folder / "Rome/link.jpg").c_str()), 0);

    const UploadTree tree = ListUploadTree(folder.path());

    // The top folder's files come first, as the flat list gives them, hidden files included.
    const Names names = NamesOf(tree);
    Names flat;
    for (const UploadFile& file : ListUploadFiles(folder.path())) {
        flat.push_back(file.name);
    }
    ASSERT_EQ(flat.size(), 3u);
    EXPECT_EQ(Names(names.begin(), names.begin() + 3), flat);
    EXPECT_EQ(NamesOf(tree),
              (Names{".hidden-file", "A.txt", "b.jpg", "Family/f.jpg", "Rome/a.jpg", "Rome/link.jpg",
                     "Rome/r.jpg", "Rome/Day 1/d.jpg", "Rome/Day 1/Morning/m.jpg", "Zoo/z.jpg"}));
    EXPECT_EQ(tree.folders, (Names{"Empty", "Family", "Rome", "Rome/Day 1", "Rome/Day 1/Morning", "Zoo"}));
    for (const UploadFile& file : tree.files) {
        EXPECT_EQ(file.path, folder / file.name);
        EXPECT_EQ(ReadFile(file.path), file.name == "Rome/link.jpg" ? "b.jpg" : file.name);
    }
}

TEST(ListUploadTree, LeavesOutHiddenFoldersGalvanesFilesAndFoldersReachedAgain) {
    TempFolder folder;
    folder.Write("top.jpg", "t");
    folder.Write(".thumbs/t.jpg", "hidden");
    folder.Write(".galvane-work/x", "own");
    folder.Write("Album/.galvane-manifest", "own");
    folder.Write("Album/.p.jpg.vimbral-a1B2c3", "own");
    folder.Write("Album/p.jpg", "p");
    // A link back to the top and one to a folder beside it: neither is walked a second time.
    ASSERT_EQ(::symlink(folder.path().c_str(), (folder / "Album/up").c_str()), 0);
    ASSERT_EQ(::symlink((folder / "Album").c_str(), (folder / "Same album").c_str()), 0);
    ASSERT_EQ(::symlink((folder / "nowhere").c_str(), (folder / "dangling").c_str()), 0);

    const UploadTree tree = ListUploadTree(folder.path());

    EXPECT_EQ(NamesOf(tree), (Names{"top.jpg", "Album/p.jpg"}));
    EXPECT_EQ(tree.folders, (Names{"Album"}));
}

TEST(ListUploadTree, GivesNothingForABlankMissingOrFileFolder) {
    TempFolder folder;
    folder.Write("file.txt", "x");
    for (const std::string& path : {std::string(), folder / "missing", folder / "file.txt"}) {
        const UploadTree tree = ListUploadTree(path);
        EXPECT_TRUE(tree.files.empty()) << path;
        EXPECT_TRUE(tree.folders.empty()) << path;
    }
}

TEST(FolderOfName, IsThePartBeforeTheLastSlash) {
    EXPECT_EQ(FolderOfName("a.jpg"), "");
    EXPECT_EQ(FolderOfName("Rome/a.jpg"), "Rome");
    EXPECT_EQ(FolderOfName("Rome/Day 1/a b.jpg"), "Rome/Day 1");
}

TEST(UploadRecord, KeepsTheFoldersGalvaneMadeAfterTheFilesAndNoneForAFlatUpload) {
    const std::string hash(64, 'a');
    const UploadRecord files = {{"a.jpg", {hash, 1, 2}}, {"Rome/b c.jpg", {hash, 3, 4}}};
    EXPECT_EQ(FormatUploadRecord(files, {}), FormatUploadRecord(files));
    EXPECT_EQ(FormatUploadRecord({{"a.jpg", {hash, 1, 2}}}),
              "galvane-upload-record 1\n" + hash + " 1 2 a.jpg\n");

    const MadeFolders folders = {"Rome", "Rome/Day 1", "folder x"};
    const std::string text = FormatUploadRecord(files, folders);
    const std::string lines = "folder Rome\nfolder Rome/Day 1\nfolder folder x\n";
    EXPECT_EQ(text, FormatUploadRecord(files) + lines);
    MadeFolders read;
    ASSERT_TRUE(ParseUploadRecord(text, &read).has_value());
    EXPECT_EQ(*ParseUploadRecord(text), files);
    EXPECT_EQ(read, folders);
    // A folder line without a name is damage like any other.
    EXPECT_FALSE(ParseUploadRecord("galvane-upload-record 1\nfolder \n").has_value());
    EXPECT_EQ(*ParseUploadRecord(FormatUploadRecord(files, {"bad\nname"})), files);
}

TEST(ParseFolderNames, TakesTheFoldersOfMlsdAndListAnswersAndNothingElse) {
    const std::string mlsd =
        "type=cdir;modify=20240131120000; .\r\n"
        "type=pdir;modify=20240131120000; ..\r\n"
        "type=dir;modify=20240131120000; Day 1\r\n"
        "Type=DIR;perm=el; Fam & #1 %x 'q\" \xC3\xA9t\xC3\xA9\r\n"
        "type=file;size=12;modify=20240131120000; file.jpg\r\n"
        "type=OS.unix=slink:/x;modify=20240131120000; link\r\n"
        "broken-line\r\n";
    EXPECT_EQ(ParseFolderNames(mlsd, true),
              (std::set<std::string>{"Day 1", "Fam & #1 %x 'q\" \xC3\xA9t\xC3\xA9"}));

    const std::string list =
        "total 12\n"
        "drwxr-xr-x    2 owner    group        4096 Jan 31 12:00 Day  two\n"
        "drwxr-xr-x 2 owner group 4096 Jan 31  2023 Old\n"
        "drwxr-xr-x 2 owner group 4096 Jan 31 12:00 .\n"
        "-rw-r--r-- 1 owner group 12 Jan 31 12:00 file in dir.jpg\n"
        "lrwxrwxrwx 1 owner group 3 Jan 31 12:00 link -> Old\n"
        "drwxr-xr-x 2 owner group\n";
    EXPECT_EQ(ParseFolderNames(list, false), (std::set<std::string>{"Day  two", "Old"}));
    // The same text read as the other form gives none.
    EXPECT_TRUE(ParseFolderNames(list, true).empty());
}

}  // namespace
