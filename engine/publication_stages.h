#pragma once

#include <string>

#include "engine/page_context.h"

// Copies every top-level file of the style folder into the destination, replacing files of the
// same name. Subfolders are not copied; a file that cannot be copied is skipped.
void CopyStyleFiles(const std::string& stylePath, const std::string& destFolder);

// Treats every ".htm*" file of the destination as a possible template: a recognised one is deleted
// and the pages of its kind and role are written in its place. Others stay as they are.
void GenerateGalleryPages(PageContext& context);
