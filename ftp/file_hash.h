#pragma once

#include <string>

// The SHA-256 of a local file's bytes in lower-case hex; empty when the file cannot be read.
std::string Sha256OfFile(const std::string& path);
// The same for bytes in memory.
std::string Sha256OfBytes(const std::string& bytes);
