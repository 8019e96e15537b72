#pragma once

#include "imaging/vimbral/source_file.h"
#include "imaging/vimbral/vips_runtime.h"

namespace vimbral_impl {

// The conversion loads each source twice: the large picture, then the thumbnail. Each thread keeps
// the last picture it decoded from a file (at most kMaxKeptPixels), so the second load of the same
// unchanged file resamples that instead of decoding the file again.

// Remembers `picture`, decoded from `source`, in place of what the thread kept before.
void KeepDecode(const SourceFile& source, VipsImage* picture);

// What this thread kept of `source` (same path, device, inode, size and modification time), if it
// is at least width x height; null otherwise.
ImageRef FindKeptDecode(const SourceFile& source, int width, int height);

// Forgets what this thread kept.
void DropKeptDecode();

}  // namespace vimbral_impl
