#pragma once

#include <string>
#include <string_view>

// The file name of a picture cut before its last dot.
std::string PictureBaseName(std::string_view path);

// "thn_" + base name + ".jpg".
std::string ThumbnailName(std::string_view path);

// base name + ".jpg", or + ".gif" when the JPEG quality is below 1.
std::string LargePictureName(std::string_view path, int jpegQuality);
