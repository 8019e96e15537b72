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

// The widths at which the large picture is made again for other screens, when a style asks. The
// bundled styles' `sizes` make a phone at ratio 3 choose as a screen at ratio 2 would, so a phone
// up to 400 CSS pixels wide needs at most 800 image pixels across (the full view's whole width at
// two per CSS pixel: 780 on a 390-pixel phone); 1280 does the same for phones and small tablets up
// to 640 CSS pixels, 1920 a desktop up to 1920 CSS pixels wide at ratio 1. Wider screens at ratio 2
// get the large picture itself, or the variant at twice its limit.
inline constexpr int kVariantWidths[] = {800, 1280, 1920};
// The widest of them made for phones: the only ones made when the large picture keeps the source size.
inline constexpr int kWidestPhoneVariantWidth = 1280;
// The widest variant at twice the large-picture limit.
inline constexpr int kMaxVariantWidth = 2560;
// A large picture at least this wide is what a desktop at ratio 1 takes for Classic's picture page
// (61rem, 976 CSS pixels at most): the file at twice the limit is then taken at ratio 2, in the
// full view and by layouts wider than the standard widths.
inline constexpr int kDesktopPictureWidth = 976;
// The height of the 1280-pixel file of a 16:9 picture. A picture narrower than that (4:3, 3:2,
// upright) fills a desktop's picture room by its height, so the 1280-pixel file is far wider than
// what it shows: it gets a file this tall as well (960 pixels wide at 4:3, 540 upright at 3:4).
inline constexpr int kDesktopVariantHeight = 720;

// The sizes of the large picture's variants of a width x height source, ascending by width.
// - When the large picture keeps the source size (no limit, or the source fits it), it tops the
//   list itself, and only the phones' widths are made below it (unless within a tenth of it): the
//   desktop width would cost a first publish of camera-size pictures about another 0.9x of its
//   time (a larger decode and the WebP file), so desktops get the large picture.
// - The smallest width is left out within a tenth of the large picture's width: the large picture
//   (or its WebP twin) is then as light, and a phone takes it. A large picture narrower than that
//   (an upright one at 1024x768, any at 640x480) gets it above, or a phone at ratio 2 would go on
//   to the file at twice the limit, four times the pixels.
// - Else the cap is the source fitted into twice the limits (never enlarged): every standard width
//   below the cap's width gives one, and the cap gives one when it is at most kMaxVariantWidth wide
//   (a standard width within a tenth of it is then left out: the two would be nearly the same file).
// - A source narrower than 16:9 by more than a tenth also gets the width at which it is
//   kDesktopVariantHeight pixels tall, below the cap and not within a tenth of another width.
// Heights keep the source's proportions, truncated.
std::vector<PictureSize> LargeVariantSizes(int width, int height, int maxWidth, int maxHeight);

// Whether `widest`, the widest of LargeVariantSizes, is the cap above a large picture at least
// kDesktopPictureWidth wide. Only screens at ratio 2 and views wider than a desktop's picture page
// take that file, so it is written as JPEG: libjpeg-turbo makes it in about a sixth of the time of
// the WebP file, which would cost about 0.4x of a first publish alone.
bool WidestVariantIsJpeg(const PictureSize& widest, int width, int height, int maxWidth, int maxHeight);

// The thumbnail at twice its box; empty when the thumbnail keeps the source size or when this
// would enlarge the source.
std::optional<PictureSize> DoubleThumbnailSize(int width, int height, int maxWidth, int maxHeight);
