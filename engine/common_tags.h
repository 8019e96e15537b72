#pragma once

#include <string>

#include "engine/gallery_job.h"
#include "engine/page_buffer.h"
#include "engine/page_context.h"

// "#rrggbb" in lowercase hexadecimal.
std::string HtmlColor(ColorRef color);

// "Galvane ver3.210 [home page]".
std::string GeneratorCredit();

// Replaces the placeholders every page shares, each at its first occurrence, in fixed order:
// credit, commentary, title, name, background colour, background picture, text colour; then the
// album blocks (ApplyAlbumTags), cut out of every page of a gallery without albums.
void ApplyCommonTags(PageBuffer& page, PageContext& context);

// The placeholders of a picture's words: its caption, title and date taken ("2024-05-17 14:32"),
// and the text for an alt attribute (the caption, else the file name).
struct WordsPlaceholders {
    const char* caption;
    const char* title;
    const char* dateTaken;
    const char* altText;  // null: the kind has none
};
// On pages that show one picture.
inline constexpr WordsPlaceholders kPictureWordsPlaceholders{"IMCAPTION", "IMTITLE", "IMDATETAKEN", nullptr};
// In each thumbnail slot of a list.
inline constexpr WordsPlaceholders kThumbnailWordsPlaceholders{"THCAPTION", "THTITLE", "THDATETAKEN",
                                                               "THALTTEXT"};

// Replaces the first occurrence of each of the placeholders with the words of picture `index`
// (empty texts for an index past the pictures). Captions and titles are escaped (PageTextOfWords).
void ApplyPictureWords(PageBuffer& page, const PageContext& context, int index,
                       const WordsPlaceholders& names);

// Writes the page as folder + "/" + name; a page that cannot be written is skipped.
void WritePage(const PageBuffer& page, PageContext& context, const std::string& name);

// printf-style formatting for the page name formats and link values.
std::string Format(const char* format, int number);
