#pragma once

#include <string>

#include <vips/vips.h>

namespace vimbral_impl {

// JpegFast: JPEG without optimised Huffman tables, for large files that must be made quickly.
enum class FileFormat { Jpeg, JpegFast, Gif, Webp, WebpFast };

// Writes a picture in Vimbral's form under exactly `path`, replacing a file there, without any
// metadata (no EXIF, no GPS, no ICC profile). The file is written beside `path` under a temporary
// name and renamed over it, so a failed write leaves no half-written file and an older file
// under `path` untouched. GIF is written with an 8-bit palette; WebP is lossy at `quality`. A
// non-empty `comment` goes into a JPEG COM segment, a GIF comment extension or, in a WebP file, the
// description of an XMP packet (webp_metadata.h). False when anything failed.
bool WriteFileAtomically(VipsImage* picture, const std::string& path, FileFormat format, int quality,
                         const std::string& comment = {});

}  // namespace vimbral_impl
