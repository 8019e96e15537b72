#pragma once

#include <string>

// The desktop's "open": a file in the program that handles its kind, an address in the browser,
// a folder in the file manager. Results are not looked at; the desktop reports its own failures.
void OpenLocalFile(const std::string& path);
void OpenAddress(const std::string& address);
void ExploreFolder(const std::string& folder);
