#include <string>
#include <string_view>

#include "imaging/vimbral/source_file.h"
#include "imaging/vimbral/vimbral.h"
#include "imaging/vimbral/vips_runtime.h"

namespace vimbral {
namespace {

std::string BlobOf(VipsImage* header, const char* name) {
    if (vips_image_get_typeof(header, name) == 0) {
        return {};
    }
    const void* data = nullptr;
    size_t length = 0;
    if (vips_image_get_blob(header, name, &data, &length) != 0 || data == nullptr) {
        vimbral_impl::DropVipsError();
        return {};
    }
    return std::string(static_cast<const char*>(data), length);
}

}  // namespace

int ReadMetadataBlocks(const char* path, MetadataBlocks* blocks) {
    if (path == nullptr || blocks == nullptr) {
        return 0;
    }
    *blocks = {};
    try {
        if (!vimbral_impl::StartVips()) {
            return 0;
        }
        const vimbral_impl::ImageRef header = vimbral_impl::OpenNativeHeader(path);
        if (!header) {
            return 0;
        }
        blocks->exif = BlobOf(header.get(), VIPS_META_EXIF_NAME);
        blocks->xmp = BlobOf(header.get(), VIPS_META_XMP_NAME);
        blocks->iptc = BlobOf(header.get(), VIPS_META_IPTC_NAME);
        const char* loader = nullptr;
        const char* description = nullptr;
        if (vips_image_get_string(header.get(), VIPS_META_LOADER, &loader) == 0 && loader != nullptr &&
            std::string_view(loader) == "tiffload" &&
            vips_image_get_typeof(header.get(), VIPS_META_IMAGEDESCRIPTION) != 0 &&
            vips_image_get_string(header.get(), VIPS_META_IMAGEDESCRIPTION, &description) == 0 &&
            description != nullptr) {
            blocks->tiffDescription = description;
        }
        vimbral_impl::DropVipsError();
        return 1;
    } catch (...) {
        vimbral_impl::DropVipsError();
        *blocks = {};
        return 0;
    }
}

}  // namespace vimbral
