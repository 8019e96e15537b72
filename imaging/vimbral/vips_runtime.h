#pragma once

// The one place where Vimbral meets libvips' process-wide state.

#include <vips/vips.h>

#include <memory>

namespace vimbral_impl {

// Starts libvips once per process (thread-safe); false when it could not start.
bool StartVips();

struct VipsImageUnref {
    void operator()(VipsImage* image) const {
        if (image != nullptr) {
            g_object_unref(image);
        }
    }
};
// Owns one reference to a libvips image.
using ImageRef = std::unique_ptr<VipsImage, VipsImageUnref>;

// A new reference to an image that someone else owns too.
ImageRef Share(VipsImage* image);

// Forgets libvips' error text after a failure: errors leave Vimbral as return values only.
void DropVipsError();

}  // namespace vimbral_impl
