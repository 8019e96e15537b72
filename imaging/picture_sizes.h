#pragma once

#include <optional>

// The sizes the conversion gives large pictures and thumbnails: scale factors and
// products in double precision, truncated toward zero (a side that truncates to 0 becomes 1).
struct PictureSize {
    int width = 0;
    int height = 0;

    bool operator==(const PictureSize&) const = default;
};

// The size of the large picture of a width x height source; empty to keep the source size: when it
// fits the limits (never enlarged), or when either limit is 0 or below (no limit at all).
std::optional<PictureSize> LargePictureSize(int width, int height, int maxWidth, int maxHeight);

// The size of the thumbnail: scaled (down or up) to fit the box. A limit of 0 or below means no
// limit in that direction; with both so, empty: the thumbnail keeps the source size.
std::optional<PictureSize> ThumbnailSize(int width, int height, int maxWidth, int maxHeight);
