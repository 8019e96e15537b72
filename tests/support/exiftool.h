#pragma once

#include <string>
#include <vector>

// Runs Debian's exiftool (libimage-exiftool-perl, a test tool only) with these arguments, each
// passed as it is (no shell), output discarded; true when it succeeded. The file is changed in
// place: "-overwrite_original" is added.
bool RunExiftool(const std::vector<std::string>& arguments);

// Writes tags into a picture: each entry is "-GROUP:Tag=value" as exiftool takes it.
bool WriteTags(const std::string& picture, std::vector<std::string> tags);
