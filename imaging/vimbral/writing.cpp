#include "imaging/vimbral/writing.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "imaging/vimbral/comments.h"
#include "imaging/vimbral/limits.h"
#include "imaging/vimbral/vips_runtime.h"
#include "imaging/vimbral/webp_metadata.h"

namespace vimbral_impl {
namespace {

// A fresh, empty file beside `path`: ".name.vimbral-XXXXXX" in the same folder, so that rename()
// replaces `path` in one step. The descriptor is -1 when the folder cannot take it.
struct Temporary {
    std::string path;
    int fd = -1;
};

Temporary ReserveTemporaryBeside(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    Temporary temporary{folder + "." + name + ".vimbral-XXXXXX"};
    temporary.fd = ::mkostemp(temporary.path.data(), O_CLOEXEC);
    return temporary;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

// The encoder's bytes go straight into the temporary file; the comment is put in at its place
// on the way, so the picture is written once and never held whole in memory.
struct CommentingWriter {
    int fd;
    FileFormat format;
    std::string block;  // the comment block still to put in; empty once it is in
    std::string head;   // bytes held back until the comment's place is known
    bool failed = false;

    bool Write(const char* data, std::size_t size) {
        if (block.empty()) {
            return WriteAll(fd, data, size);
        }
        head.append(data, size);
        const long offset = CommentOffset(format, head);
        if (offset == kNeedMoreBytes) {
            return true;
        }
        if (offset == kNotThisFormat) {
            return false;
        }
        const auto at = static_cast<std::size_t>(offset);
        const bool written = WriteAll(fd, head.data(), at) && WriteAll(fd, block.data(), block.size()) &&
                             WriteAll(fd, head.data() + at, head.size() - at);
        block.clear();
        head.clear();
        return written;
    }

    bool Complete() const { return !failed && block.empty(); }
};

gint64 OnWrite(VipsTargetCustom*, const void* data, gint64 length, gpointer user) {
    auto* writer = static_cast<CommentingWriter*>(user);
    if (writer->failed || length < 0 ||
        !writer->Write(static_cast<const char*>(data), static_cast<std::size_t>(length))) {
        writer->failed = true;
        return -1;
    }
    return length;
}

int Encode(VipsImage* picture, VipsTarget* target, FileFormat format, int quality) {
    if (format == FileFormat::Gif) {
        return vips_gifsave_target(picture, target, "bitdepth", 8, "strip", TRUE, nullptr);
    }
    // Optimised Huffman tables make files a few percent smaller: only for pictures of web size,
    // and not where speed was asked for (the second pass over the coefficients about doubles the
    // encoder's time: at 2048 pixels 13.5 ms against 7.6).
    const bool optimize = format == FileFormat::Jpeg &&
                          static_cast<std::int64_t>(picture->Xsize) * picture->Ysize <= kMaxOptimizedPixels;
    return vips_jpegsave_target(picture, target, "Q", quality, "strip", TRUE, "optimize_coding",
                                optimize ? TRUE : FALSE, nullptr);
}

// libwebp's effort 1 of 0-6 (libvips' default is 4), measured on the bench corpus in processor
// time per picture: at 1920 pixels 53 ms (effort 0: 41, 2: 69), at 960 pixels 13 ms (0: 11, 2: 17).
// At the same SSIM as the JPEG files, effort 1 files are 0.85x of the JPEG's bytes, effort 0 files
// 0.90x and effort 4 files 0.73x (bench/conversion/webp_quality.py): effort 0 saves little time at
// the variants' sizes for 6% more bytes, and effort 4 would cost more time than a first publish allows.
constexpr int kWebpEffort = 1;
// For the widest files, where effort 0 saves more (at 2048 pixels 37 ms against 47 ms, files 9%
// larger at the same quality setting): those that only screens showing a picture large take.
constexpr int kFastWebpEffort = 0;

// WebP files are small (Vimbral writes them at web sizes): the encoder's output is held whole,
// because the XMP chunk changes the header in front of the picture.
bool EncodeWebpInto(int fd, VipsImage* picture, int quality, int effort, const std::string& comment) {
    // libvips 8.14's webpsave writes the source's EXIF, XMP and ICC blocks despite "strip": the
    // copy it encodes carries none of them, so no camera serial or place leaves with the picture.
    VipsImage* bare = nullptr;
    if (vips_copy(picture, &bare, nullptr) != 0) {
        DropVipsError();
        return false;
    }
    // The EXIF block is rebuilt from the "exif-ifd..." fields, so those go too.
    gchar** fields = vips_image_get_fields(bare);
    for (gchar** field = fields; *field != nullptr; ++field) {
        if (vips_isprefix("exif-", *field) || vips_isprefix("xmp-", *field) ||
            vips_isprefix("iptc-", *field) || std::strcmp(*field, VIPS_META_ICC_NAME) == 0) {
            vips_image_remove(bare, *field);
        }
    }
    g_strfreev(fields);
    void* buffer = nullptr;
    std::size_t size = 0;
    const int saved =
        vips_webpsave_buffer(bare, &buffer, &size, "Q", quality, "effort", effort, "strip", TRUE, nullptr);
    g_object_unref(bare);
    if (saved != 0) {
        DropVipsError();
        return false;
    }
    std::string bytes(static_cast<const char*>(buffer), size);
    g_free(buffer);
    if (!comment.empty() && !AddWebpDescription(bytes, picture->Xsize, picture->Ysize, comment)) {
        return false;
    }
    return WriteAll(fd, bytes.data(), bytes.size());
}

bool EncodeInto(int fd, VipsImage* picture, FileFormat format, int quality, const std::string& comment) {
    if (comment.size() > kMaxCommentBytes) {
        return false;
    }
    if (format == FileFormat::Webp || format == FileFormat::WebpFast) {
        return EncodeWebpInto(fd, picture, quality,
                              format == FileFormat::Webp ? kWebpEffort : kFastWebpEffort, comment);
    }
    const FileFormat layout = format == FileFormat::JpegFast ? FileFormat::Jpeg : format;
    CommentingWriter writer{fd, layout, comment.empty() ? std::string() : CommentBlock(layout, comment), {}};
    VipsTargetCustom* target = vips_target_custom_new();
    if (target == nullptr) {
        DropVipsError();
        return false;
    }
    g_signal_connect(target, "write", G_CALLBACK(OnWrite), &writer);
    const int status = Encode(picture, VIPS_TARGET(target), format, quality);
    g_object_unref(target);
    if (status != 0) {
        DropVipsError();
        return false;
    }
    return writer.Complete();
}

}  // namespace

bool WriteFileAtomically(VipsImage* picture, const std::string& path, FileFormat format, int quality,
                         const std::string& comment) {
    if (picture == nullptr || path.empty() || path.back() == '/') {
        return false;
    }
    Temporary temporary = ReserveTemporaryBeside(path);
    if (temporary.fd < 0) {
        return false;
    }
    // mkostemp makes the file private; a published picture is readable by everyone.
    bool written =
        EncodeInto(temporary.fd, picture, format, quality, comment) && ::fchmod(temporary.fd, 0644) == 0;
    written = ::close(temporary.fd) == 0 && written;
    if (!written || std::rename(temporary.path.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.path.c_str());
        return false;
    }
    return true;
}

}  // namespace vimbral_impl
