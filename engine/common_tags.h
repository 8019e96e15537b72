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

// Writes the page as folder + "/" + name; a page that cannot be written is skipped.
void WritePage(const PageBuffer& page, PageContext& context, const std::string& name);

// printf-style formatting for the page name formats and link values.
std::string Format(const char* format, int number);
