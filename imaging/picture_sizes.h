#pragma once

#include <optional>
#include <vector>

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

// The widths at which the large picture is made again for sharp screens, when a style asks.
inline constexpr int kVariantWidths[] = {640, 1280, 1920, 2560};

// The sizes of the large picture's variants of a width x height source, ascending by width. The cap
// is the source size or, with both limits above 0, the source fitted into twice the limits (never
// enlarged). Every standard width below the cap's width gives one, and the cap gives one when it
// is at most the widest standard width (a standard width within a tenth of it is then left out:
// the two would be nearly the same file). Heights keep the source's proportions, truncated.
std::vector<PictureSize> LargeVariantSizes(int width, int height, int maxWidth, int maxHeight);

// The thumbnail at twice its box; empty when the thumbnail keeps the source size or when this
// would enlarge the source.
std::optional<PictureSize> DoubleThumbnailSize(int width, int height, int maxWidth, int maxHeight);
