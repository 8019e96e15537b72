#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vimbral_impl {

// A WebP file carries Vimbral's comment as the description (dc:description) of an XMP packet in an
// "XMP " chunk, the place WebP gives text metadata; the file then has the extended header (VP8X)
// that announces it.

// Puts `text` into the WebP file `bytes` of a width x height picture, in place of any EXIF, ICC or
// XMP chunk the encoder wrote; false when `bytes` is not a WebP file Vimbral can extend (it is left
// unchanged then).
bool AddWebpDescription(std::string& bytes, int width, int height, const std::string& text);

// The description of the XMP packet of the WebP file at `path`, found by walking its chunks (the
// XMP chunk comes after the picture); empty when it is no WebP file or carries none.
std::optional<std::string> WebpFileDescription(const std::string& path);

// Vimbral's packets are a few hundred bytes; a comment is at most 64 KB, escaped up to five times.
inline constexpr std::uint32_t kMaxPacketBytes = 1 << 19;

// The description an XMP packet of Vimbral's carries; empty when it has none.
std::optional<std::string> PacketDescription(std::string_view packet);

}  // namespace vimbral_impl
