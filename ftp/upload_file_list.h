#pragma once

#include <string>
#include <vector>

// The files an upload sends from a folder, as full paths (folder + "/" + name) in the project's
// enumeration order: its regular files and links to them, not its subfolders nor what lies in them,
// nor FIFOs, devices or sockets. An empty folder text, or a folder that is missing or unreadable,
// gives none.
std::vector<std::string> ListUploadFiles(const std::string& folder);
