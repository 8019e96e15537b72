#pragma once

#include <string>

#include "engine/page_buffer.h"
#include "engine/page_context.h"
#include "engine/picture_variants.h"

// The values of the variant placeholders (picture_variants.h) for picture `index`: srcset lists
// of names URL-encoded as the other placeholders write them (a name starting with a comma is
// written "./,a.jpg") with their width or density descriptors, narrowest first; the thumbnail at
// its box goes without one (1x is the default, and a long list writes it thousands of times).
// Where a picture has no such variants the lists name the designed files, so a page stays valid:
// the large picture with its width, the thumbnail; the WebP lists then name the JPEG or GIF files.
std::string LargeWebpSrcset(const PageContext& context, int index);
std::string LargeJpegSrcset(const PageContext& context, int index);
std::string ThumbnailWebpSrcset(const PageContext& context, int index);
std::string ThumbnailJpegSrcset(const PageContext& context, int index);

// Replace every occurrence of the large picture's size placeholders when `asked` names them, with
// its width and height in pixels ("0" where not known). Called before PICTURE is replaced, whose
// name begins theirs; the values are digits, so no later step can take them for a placeholder.
void ApplyLargeSizeTags(PageBuffer& page, const PageContext& context, const VariantRequest& asked, int index);

// Replace the first occurrence of each of the large picture's, or the thumbnail's, placeholders
// that `asked` names (what the page's template holds: pages of other templates stay untouched).
// A thumbnail slot past the last picture (index out of range) gets "empty.gif".
void ApplyLargeVariantTags(PageBuffer& page, const PageContext& context, const VariantRequest& asked,
                           int index);
void ApplyThumbnailVariantTags(PageBuffer& page, const PageContext& context, const VariantRequest& asked,
                               int index);
