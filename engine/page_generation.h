#pragma once

#include "engine/page_buffer.h"
#include "engine/page_context.h"

// Removes the first kind marker and the first role marker from the template, then lets the
// generator of the kind write the pages of the role. Returns 1; an unknown kind or role writes
// nothing.
int GeneratePage(PageBuffer& templ, int kind, int role, PageContext& context);
