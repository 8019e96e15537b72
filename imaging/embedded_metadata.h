#pragma once

#include <string>

#include "engine/picture_words.h"

// The metadata blocks embedded in picture files, read through Vimbral (libvips' header only).
class VimbralMetadataReader final : public EmbeddedMetadataReader {
public:
    EmbeddedMetadata Read(const std::string& picturePath) override;
};
