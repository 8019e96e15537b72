#include "imaging/vimbral/kept_decode.h"

#include <cstdint>
#include <string>

#include "imaging/vimbral/limits.h"

namespace vimbral_impl {
namespace {

struct KeptDecode {
    std::string path;
    FileIdentity identity;
    ImageRef picture;
};

thread_local KeptDecode t_kept;

}  // namespace

void KeepDecode(const SourceFile& source, VipsImage* picture) {
    t_kept.picture.reset();
    if (picture == nullptr || static_cast<std::int64_t>(picture->Xsize) * picture->Ysize > kMaxKeptPixels) {
        return;
    }
    t_kept.path = source.path;
    t_kept.identity = source.identity;
    t_kept.picture = Share(picture);
}

ImageRef FindKeptDecode(const SourceFile& source, int width, int height) {
    const VipsImage* kept = t_kept.picture.get();
    if (kept == nullptr || t_kept.path != source.path || !(t_kept.identity == source.identity) ||
        kept->Xsize < width || kept->Ysize < height) {
        return nullptr;
    }
    return Share(t_kept.picture.get());
}

void DropKeptDecode() {
    t_kept.picture.reset();
}

}  // namespace vimbral_impl
