#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// One file an upload sends, as the listing found it (a link: its target's size and time).
struct UploadFile {
    std::string path;  // folder + "/" + name
    std::int64_t size = 0;
    std::time_t modified = 0;
};

// The files an upload sends from a folder, in the project's enumeration order: its regular files
// and links to them, not its subfolders nor what lies in them, nor FIFOs, devices or sockets. An
// empty folder text, or a folder that is missing or unreadable, gives none. One stat per file.
std::vector<UploadFile> ListUploadFiles(const std::string& folder);
