#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "engine/image_list.h"
#include "engine/run_report.h"

// The entries a run publishes, in list order: a picture whose thumbnail or large picture would
// take a name an earlier picture already gives (dup.jpg and dup.tif both make thn_dup.jpg) is left
// out and noted in `report`, so that no photo silently replaces another. Among pictures that share
// an output name, one that `whyUnreadable` finds unreadable takes no name: it is noted unreadable,
// and a readable one is published.
std::vector<std::size_t> SelectPublishable(
    const ImageList& images, int jpegQuality, bool largePicturesMade, RunReport& report,
    const std::function<std::string(const std::string&)>& whyUnreadable = {});
