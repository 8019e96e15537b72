#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// ISO 8859-1 bytes as UTF-8; 0x80-0x9F are taken as Windows-1252, which is what such text
// almost always is in practice.
std::string Latin1ToUtf8(std::string_view bytes);

// UTF-8 with every malformed sequence replaced by U+FFFD.
std::string RepairUtf8(std::string_view bytes);

// UTF-8 when the bytes are valid UTF-8, else taken as Latin-1: how text of undeclared encoding is
// read.
std::string GuessedTextToUtf8(std::string_view bytes);

// Appends one code point (at most U+10FFFF) as UTF-8.
void AppendUtf8(std::string& out, std::uint32_t value);
