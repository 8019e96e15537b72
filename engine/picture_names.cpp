#include "engine/picture_names.h"

#include "engine/directory.h"

std::string PictureBaseName(std::string_view path) {
    const std::string_view name = FileNameOf(path);
    const auto dot = name.rfind('.');
    return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

std::string ThumbnailName(std::string_view path) {
    return "thn_" + PictureBaseName(path) + ".jpg";
}

std::string LargePictureName(std::string_view path, int jpegQuality) {
    return PictureBaseName(path) + (jpegQuality < 1 ? ".gif" : ".jpg");
}
