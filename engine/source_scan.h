#pragma once

#include <string>

#include "engine/image_list.h"

// Refills `list` with the pictures directly inside `folder` (bmp, gif, jpg, jpeg, tif, tiff, pcx,
// tga, png, webp, heic, heif, avif, in any letter case), in enumeration order, leaving out
// thumbnails of earlier runs ("thn_"). A missing or unreadable folder gives an empty list.
void ScanSourceFolder(const std::string& folder, ImageList& list);

// Whether a file name counts as a source picture by the rules above.
bool IsSourcePictureName(const std::string& fullPath, const std::string& fileName);
