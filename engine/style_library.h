#pragma once

#include <string>
#include <vector>

#include "engine/gallery_job.h"

struct StyleInfo {
    std::string displayName;
    std::string path;
};

// Finds the style folders (names holding "###") directly inside each of `folders`, in enumeration
// order, folder by folder. Sets job.m_nStyleCount and returns it.
int DiscoverStylesIn(const std::vector<std::string>& folders, GalleryJob& job,
                     std::vector<StyleInfo>& styles);

// The same, beside the program and in the installed data folder.
int DiscoverStyles(GalleryJob& job, std::vector<StyleInfo>& styles);

// The folder inside a style that holds its preview picture: a run copies only the style's top-level
// files into the gallery, so what lies in here stays out of every gallery.
inline constexpr const char* kStylePreviewFolder = "preview";

// The picture that shows what the style's galleries look like ("preview/preview.*", any case),
// or empty when the style has none.
std::string FindStylePreview(const std::string& stylePath);

// The style's own background picture ("background.*", any case), or empty.
std::string FindStyleBackground(const std::string& stylePath);
