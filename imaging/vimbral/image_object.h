#pragma once

#include <optional>
#include <string>

#include "imaging/vimbral/source_file.h"
#include "imaging/vimbral/vimbral.h"
#include "imaging/vimbral/vips_runtime.h"

// What a Vimbral handle points to. A picture is in one of three states: empty; backed by its source
// file (header read, no pixels decoded: Save streams from the file); decoded in memory at its
// current size (after a Stretch or a Draw).
struct vimbral::ImageObject {
    std::optional<vimbral_impl::SourceFile> source;  // set while no pixels are decoded
    vimbral_impl::ImageRef pixels;                   // 8-bit sRGB, three bands, width x height
    int width = 0;
    int height = 0;
    int bits = 0;
    int quality = kDefaultQuality;
    std::string comment;  // written by Save
    // Decoding the source failed once: it is not tried again for this handle.
    bool undecodable = false;

    bool Empty() const { return !source && !pixels; }
    bool Usable() const { return !Empty() && !undecodable; }
    void Clear() {
        source.reset();
        pixels.reset();
        width = height = bits = 0;
        undecodable = false;
    }
};

namespace vimbral_impl {

// The picture of a handle decoded at its current size, in memory; false when it cannot be.
bool DecodeInPlace(vimbral::ImageObject& image);

// The picture of a source-backed handle at width x height, from the thread's kept decode when it
// serves, else from the file (and then kept).
ImageRef DecodeSource(const SourceFile& source, int width, int height);

}  // namespace vimbral_impl
