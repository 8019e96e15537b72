#include "imaging/embedded_metadata.h"

#include <utility>

#include "imaging/vimbral/vimbral.h"

EmbeddedMetadata VimbralMetadataReader::Read(const std::string& picturePath) {
    vimbral::MetadataBlocks blocks;
    if (vimbral::ReadMetadataBlocks(picturePath.c_str(), &blocks) == 0) {
        return {};
    }
    return {std::move(blocks.exif), std::move(blocks.xmp), std::move(blocks.iptc),
            std::move(blocks.tiffDescription)};
}
