#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ftp/upload_file_list.h"

// What an upload sends from a folder and every folder below it.
struct UploadTree {
    // The top folder's files first, as ListUploadFiles gives them, then each subfolder's, depth first
    // in the enumeration order; each named by its path below the top folder.
    std::vector<UploadFile> files;
    // The folders below the top folder as '/'-separated paths, each after its parent, in the order
    // their files come.
    std::vector<std::string> folders;
};

// The files of a folder and of its subfolders at any depth. Hidden folders (a name starting with a
// dot) are left out with what they hold; a link to a folder is followed unless the folder was reached
// already (a link back up would otherwise never end). An empty folder text gives nothing.
UploadTree ListUploadTree(const std::string& folder);

// The folder part of a remote name ("a/b" for "a/b/c.jpg"); empty for a file of the top folder.
std::string_view FolderOfName(std::string_view name);
