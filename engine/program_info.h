#pragma once

#include <string>
#include <vector>

#include "engine/program_version.h"

inline constexpr const char* kProgramName = "Galvane";
inline constexpr const char* kHomePage = "https://galvane.example.org/";

// Folder of the running executable, without a trailing '/'.
std::string ProgramFolder();

// Where styles and the help page are looked for: the program folder, then the installed
// data folder "../share/galvane" beside it. Only folders that exist are returned.
std::vector<std::string> DataFolders();
