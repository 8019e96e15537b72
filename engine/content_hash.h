#pragma once

#include <string>
#include <string_view>

// SHA-256 of `bytes` as 64 lower-case hex digits: what the run's record keeps of each file it
// wrote, to tell later that the file still holds exactly those bytes.
std::string ContentHash(std::string_view bytes);
