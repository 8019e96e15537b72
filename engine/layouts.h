#pragma once

#include "engine/page_buffer.h"
#include "engine/page_context.h"

// One generator per layout kind; each writes the pages of one role from a template whose markers
// are already gone.
using LayoutGenerator = void (*)(PageBuffer& templ, int role, PageContext& context);

void GenerateMainIndexPage(PageBuffer& templ, int role, PageContext& context);
void GenerateFrameMainListImage(PageBuffer& templ, int role, PageContext& context);
void GenerateMainSmallLarge(PageBuffer& templ, int role, PageContext& context);

// How many times `pattern` occurs in the page, without overlaps. Slot loops use it to bound
// themselves when an inserted name holds a placeholder word again.
int CountOccurrences(const PageBuffer& page, std::string_view pattern);
