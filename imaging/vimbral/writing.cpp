#include "imaging/vimbral/writing.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "imaging/vimbral/comments.h"
#include "imaging/vimbral/limits.h"
#include "imaging/vimbral/vips_runtime.h"

namespace vimbral_impl {
namespace {

// A fresh, empty file beside `path`: ".name.vimbral-XXXXXX" in the same folder, so that rename()
// replaces `path` in one step. Empty when the folder cannot take it.
std::string ReserveTemporaryBeside(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temporary = folder + "." + name + ".vimbral-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    ::close(fd);
    return temporary;
}

int Encode(VipsImage* picture, const std::string& file, FileFormat format, int quality) {
    if (format == FileFormat::Gif) {
        return vips_gifsave(picture, file.c_str(), "bitdepth", 8, "strip", TRUE, nullptr);
    }
    // Optimised Huffman tables make files a few percent smaller: only for pictures of web size.
    const bool optimize = static_cast<std::int64_t>(picture->Xsize) * picture->Ysize <= kMaxOptimizedPixels;
    return vips_jpegsave(picture, file.c_str(), "Q", quality, "strip", TRUE, "optimize_coding",
                         optimize ? TRUE : FALSE, nullptr);
}

}  // namespace

bool WriteFileAtomically(VipsImage* picture, const std::string& path, FileFormat format, int quality,
                         const std::string& comment) {
    if (picture == nullptr || path.empty() || path.back() == '/') {
        return false;
    }
    std::string temporary = ReserveTemporaryBeside(path);
    if (temporary.empty()) {
        return false;
    }
    if (Encode(picture, temporary, format, quality) != 0) {
        DropVipsError();
        ::unlink(temporary.c_str());
        return false;
    }
    if (!comment.empty()) {
        // libvips writes no comment of its own when it strips metadata: the encoded file is copied
        // with one added.
        const std::string commented = ReserveTemporaryBeside(path);
        const bool copied = !commented.empty() && CopyWithComment(temporary, commented, format, comment);
        ::unlink(temporary.c_str());
        if (!copied) {
            if (!commented.empty()) {
                ::unlink(commented.c_str());
            }
            return false;
        }
        temporary = commented;
    }
    // mkostemp makes the file private; a published picture is readable by everyone.
    if (::chmod(temporary.c_str(), 0644) != 0 || std::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace vimbral_impl
