#pragma once

#include <set>
#include <string>
#include <string_view>

// The names of the folders in a folder listing: MLSD's "type=dir" entries, or the lines of a
// Unix-style LIST answer (and SFTP's long names) that start with 'd'. Never "." or "..".
std::set<std::string> ParseFolderNames(std::string_view listing, bool machineReadable);
