#pragma once

#include <memory>

#include "imaging/vimbral/vimbral.h"

// Owns a Vimbral image object and frees it on every path out.
struct ImageObjectDeleter {
    void operator()(vimbral::Image image) const { vimbral::DeleteImageObject(image); }
};
using ImageHandle = std::unique_ptr<vimbral::ImageObject, ImageObjectDeleter>;
