#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

// One file an upload sends, as the listing found it (a link: its target's size and time).
struct UploadFile {
    std::string path;  // folder + "/" + name
    std::string name;  // the path below the uploaded folder, '/'-separated: the remote name
    std::int64_t size = 0;
    std::time_t modified = 0;
};

// Whether a file name is one of Galvane's own, which no upload ever sends: anything starting with
// ".galvane-" (the safe writer's temporaries, the local manifest, the upload's record on the server)
// and Vimbral's temporaries ".NAME.vimbral-XXXXXX".
bool IsGalvaneOwnName(std::string_view name);

// The files an upload sends from a folder, in the project's enumeration order: its regular files
// and links to them, not its subfolders nor what lies in them, nor FIFOs, devices or sockets, nor
// Galvane's own files. An empty folder text, or a folder that is missing or unreadable, gives none.
// One stat per file.
std::vector<UploadFile> ListUploadFiles(const std::string& folder);
