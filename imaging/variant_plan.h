#pragma once

#include <string>
#include <vector>

#include "engine/picture_variants.h"
#include "imaging/picture_conversion.h"
#include "imaging/picture_sizes.h"

// The variant files of one picture (engine/picture_variants.h says which and how they are named).
struct VariantFile {
    std::string name;  // in the destination folder
    PictureSize size;
    bool webp = false;  // else JPEG
    bool thumbnail = false;
    bool doubled = false;  // the thumbnail at twice its box
    // A file wider than the large picture, written the fastest way (WebP at the encoder's least
    // effort, JPEG without optimised Huffman tables): only screens showing the picture wider than
    // its limit, or at ratio 2 and above, take it, and at those widths the encoder's time counts
    // most (phones take the narrower files).
    bool fast = false;
};

struct VariantPlan {
    std::vector<VariantFile> files;  // in the order they are written
    PictureVariants shown;           // what the pages list
};

// The variants the style of `settings` asks for of a width x height source at `path`. Nothing of
// the large picture when it is a GIF file; in a same-folder run, where the source is the page's
// picture, those of a large picture kept at the source size, unless the source is a GIF file.
VariantPlan PlanVariants(const ConversionSettings& settings, const std::string& path, int width, int height);

// The same, reading the source's size from its header; an empty plan when it cannot be read.
VariantPlan PlanVariants(const ConversionSettings& settings, const std::string& path);

// Takes a variant file out of what the pages list (it could not be made).
void ForgetVariant(PictureVariants& shown, const VariantFile& file);

// The WebP quality that looks as good as JPEG at `jpegQuality` (below 1: Vimbral's default), as
// measured with SSIM at the WebP files' effort: 50 -> 44, 60 -> 52, 70 -> 66, 75 -> 72, 80 -> 80,
// 85 -> 84, 90 -> 90, 95 -> 96, linear in between.
int WebpQualityFor(int jpegQuality);
