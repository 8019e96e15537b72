#pragma once

#include <string>
#include <string_view>
#include <vector>

// Extra picture files a style may ask for, beside the thumbnail and the large picture: the
// thumbnail at twice its box, and the large picture at a few widths for sharp screens, as WebP and
// as JPEG. A style asks for them by using their placeholders; a style that uses none gets none.

// The placeholders, each naming the files of one picture as a srcset list.
inline constexpr std::string_view kWebpWidthsTag = "WEBPWIDTHS";  // "a-640w.webp 640w, a-1280w.webp 1280w"
inline constexpr std::string_view kJpegWidthsTag = "JPEGWIDTHS";  // "a-640w.jpg 640w, a.jpg 1024w"
inline constexpr std::string_view kWebpThumbsTag = "WEBPTHUMBS";  // "thn_a.jpg, thn_a@2x.webp 2x"
inline constexpr std::string_view kJpegThumbsTag = "JPEGTHUMBS";  // "thn_a.jpg, thn_a@2x.jpg 2x"
// The large picture's width and height in pixels ("1024", "768"), so that a page can give its <img>
// a size before the file arrives and its `sizes` the width the picture is drawn at where the height
// of its box limits it. Every occurrence is replaced, before any other placeholder of the page.
inline constexpr std::string_view kPictureWidthTag = "PICTUREWIDTH";
inline constexpr std::string_view kPictureHeightTag = "PICTUREHEIGHT";

// Which variants a style asks for.
struct VariantRequest {
    bool largeWebp = false;
    bool largeJpeg = false;
    bool thumbnailWebp = false;
    bool thumbnailJpeg = false;
    bool largeSize = false;  // the large picture's width and height, known from the plan

    bool Any() const { return AnyFiles() || largeSize; }
    // Whether it asks for files beside the designed ones (the size alone makes none).
    bool AnyFiles() const { return largeWebp || largeJpeg || thumbnailWebp || thumbnailJpeg; }
    bool operator==(const VariantRequest&) const = default;
};

// What the templates (".htm*" files) of a style folder ask for.
VariantRequest StyleVariantRequest(const std::string& stylePath);
// What one template text asks for.
VariantRequest TemplateVariantRequest(std::string_view text);

// The variant files' names, from the source's base name ("a" for "a.tif"):
// "a-1280w.webp" and "a-1280w.jpg" for the large picture 1280 pixels wide, "thn_a@2x.webp" and
// "thn_a@2x.jpg" for the thumbnail at twice its box. "thn_a.webp", the thumbnail at its box's size
// as WebP, is no longer made; the name stays known so that earlier galleries' files are pruned.
std::string LargeVariantName(std::string_view path, int width, bool webp);
std::string ThumbnailWebpName(std::string_view path);
std::string DoubleThumbnailName(std::string_view path, bool webp);
// Whether `name` is one of those names for the source named `sourceName`.
bool IsVariantNameOf(std::string_view name, std::string_view sourceName);

// The variants made of one picture, as the pages list them.
struct PictureVariants {
    int largeWidth = 0;           // the large picture's own width; 0: not known
    int largeHeight = 0;          // ... and height
    std::vector<int> webpWidths;  // large picture variants written as WebP, ascending
    std::vector<int> jpegWidths;  // ... and as JPEG (the large picture itself not among them)
    int wideJpegWidth = 0;        // a JPEG file wider than every WebP file, topping their list; 0: none
    bool doubleThumbnailWebp = false;
    bool doubleThumbnailJpeg = false;
};
