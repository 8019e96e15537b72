#pragma once

#include <optional>
#include <string>

#include "imaging/picture_sizes.h"

// The width and height of the picture at `path` as Vimbral loads it (its header), remembered for
// as long as the file is the same one unchanged: the same device, inode, size, modification and
// change times (a change time no user can set back). A publish asks for a source's size in
// several places (the output names, the work plan, the conversion, the stale outputs); the
// header is read once. Empty when the picture cannot be read. Safe from any thread.
std::optional<PictureSize> SourceDimensions(const std::string& path);
