#pragma once

#include <string>
#include <string_view>
#include <vector>

struct DirectoryEntry {
    std::string name;
    bool isDirectory = false;
};

// The entries of a folder, without "." and "..", in the one order used everywhere: names compared
// byte by byte with ASCII letters folded to upper case, ties broken by the plain bytes.
// A folder that is missing or cannot be read gives an empty list.
std::vector<DirectoryEntry> ListDirectory(const std::string& folder);

// The ordering used by ListDirectory.
bool EnumerationOrderLess(std::string_view a, std::string_view b);

// Matches a name against a pattern of '*' and '?' wildcards, ignoring the case of ASCII letters.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

// folder + "/" + name.
std::string JoinPath(std::string_view folder, std::string_view name);

// The part of a path after its last '/'.
std::string_view FileNameOf(std::string_view path);

// Whether two folder texts name the same folder: equal texts, or both naming one existing directory.
bool IsSameFolder(const std::string& a, const std::string& b);
