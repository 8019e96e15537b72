#pragma once

#include <cstddef>
#include <vector>

#include "engine/image_list.h"
#include "engine/picture_words.h"

// The positions of `words` ordered by date taken: earliest first, pictures taken at the same
// moment in their present order, and pictures without a date after all dated ones, in their
// present order.
std::vector<std::size_t> DateTakenOrder(const std::vector<PictureWords>& words);

// Puts the list into the order of DateTakenOrder, reading each picture's date (sidecars, and the
// embedded metadata through `embedded` when not null).
void SortByDateTaken(ImageList& images, EmbeddedMetadataReader* embedded);
