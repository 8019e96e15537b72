#pragma once

// Vimbral: reads, converts, resizes, draws and writes raster pictures, on libvips. An image is an
// opaque handle; every function accepts a null handle and then does nothing (returning 0). No
// function throws; failures are return values. A handle is used by one thread at a time; different
// handles may be used on different threads at once.
//
// Reading: JPEG, GIF (first frame), TIFF (first page), PNG, WebP, HEIC and AVIF (the last two
// through libheif, which applies their rotation and mirroring) with libvips' own decoders; BMP, PCX
// and TGA through ImageMagick (TGA only from a name ending in ".tga"). Nothing else is read: a file in
// another format gives a null handle. Loading reads the header only; pixels are decoded when Stretch, Save or
// Draw needs them, and a Stretch that shrinks decodes at a reduced size where the format allows it (JPEG DCT
// scaling). EXIF orientation is applied at load: width and height are those of the upright picture. Every
// picture becomes 8-bit sRGB (CMYK, greyscale, 16-bit and ICC-tagged pictures are converted; transparency is
// flattened onto white).
//
// Limits: a picture is refused (null handle, Load returns 0) when a side exceeds 30,000 pixels or
// it has more than 200 million pixels; BMP, PCX and TGA, which ImageMagick decodes whole, are
// refused above 50 million pixels. Stretch refuses sizes outside the same 30,000 / 200 million
// limits and sizes below 1. A picture whose pixels turn out to be undecodable (a truncated JPEG)
// makes Stretch, Save and Draw fail from then on.

#include <cstdint>
#include <string>

#if defined(VIMBRAL_BUILDING)
#define VIMBRAL_API __attribute__((visibility("default")))
#else
#define VIMBRAL_API
#endif

namespace vimbral {

struct ImageObject;
using Image = ImageObject*;

// Where Draw paints: 32-bit pixels 0xAARRGGBB (as a Qt RGB32/ARGB32 image holds them), `stride`
// bytes from one row to the next. Drawing is clipped to the canvas.
struct Canvas {
    std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

// Format codes of Save.
inline constexpr int kFormatThumbnail = -1;  // written as JPEG
inline constexpr int kFormatGif = 2;
inline constexpr int kFormatJpeg = 5;
inline constexpr int kFormatWebp = 7;  // lossy WebP at the handle's quality
// The same at libwebp's least effort: about a fifth faster to write, files about a tenth larger at
// the same quality setting and about the same SSIM.
inline constexpr int kFormatWebpFast = 8;
// JPEG at the handle's quality without optimised Huffman tables: about half the encoder's time,
// files a few percent larger (same pixels as code 5).
inline constexpr int kFormatJpegFast = 9;

inline constexpr int kDefaultQuality = 75;

// An empty image object (0 x 0, 0 bits); null only when libvips cannot start.
VIMBRAL_API Image InitImageObject();
// Loads a picture; null when it cannot be read. `canvas`, `a` and `b` are unused (null, -1, -1).
VIMBRAL_API Image InitImageObject(const char* path, Canvas* canvas, int a, int b);
// Nonzero when the picture was loaded into the handle; on failure the handle is left empty. The
// quality set on the handle is kept.
VIMBRAL_API int Load(Image image, const char* path, Canvas* canvas, int a, int b);
// Writes the picture under exactly `path` (the format follows the code, not the name), replacing a
// file there: 5 and -1 write JPEG at the handle's quality (9 the same written faster), 2 writes GIF with an
// 8-bit palette, 7 lossy WebP at the handle's quality, 8 the same written faster (held whole in memory while
// it is written: meant for pictures of web size); other codes are refused. The file carries no metadata but
// the comment (SetComment): no EXIF, GPS or ICC profile. It is written under a temporary name in the same
// folder and renamed, so a failed Save leaves no half-written file. Nonzero on success.
VIMBRAL_API int Save(Image image, const char* path, int format);
// 24 (true colour) or 8 (palette: quantised when written as GIF); other values are refused.
// GetNumBits reflects it.
VIMBRAL_API int ChangeImageFormat(Image image, int bitsPerPixel);
// JPEG quality of the next Save, 1..100 (above 100 means 100); below 1 means the default, 75.
VIMBRAL_API int SetQuality(Image image, int quality);
// Current size in pixels; 0 for an empty handle.
VIMBRAL_API int GetWidth(Image image);
VIMBRAL_API int GetHeight(Image image);
// 8 for palette and greyscale pictures (and after ChangeImageFormat(8)), 24 for true colour.
VIMBRAL_API int GetNumBits(Image image);
// Resamples to exactly width x height (photo quality: libvips' reduce kernels); sizes below 1 or
// beyond the limits are refused and leave the picture unchanged. Nonzero on success.
VIMBRAL_API int Stretch(Image image, int width, int height);

// Resamples the picture down to exactly width x height, more cheaply than Stretch, for making
// several smaller files of one decode, each from the next bigger one: decoded pixels in one pass
// of libvips' reduce kernel; a picture not decoded yet is decoded at the smallest scale its decoder
// has that covers the size (JPEG DCT scaling), then reduced. A size above the picture's and sizes
// refused by Stretch give 0 and leave the picture unchanged.
VIMBRAL_API int Shrink(Image image, int width, int height);
// Paints the picture at its current size with its top-left corner at (x, y), opaque, clipped to
// the canvas (x and y may be negative). Nonzero when the picture was drawn.
VIMBRAL_API int Draw(Image image, Canvas* canvas, int x, int y);
VIMBRAL_API void DeleteImageObject(Image image);
// A second handle on the same picture, for making several files of one decode: the picture is
// decoded at its current size first (when it is not yet) and both handles then share those pixels
// (a Stretch of either resamples from them and leaves the other as it is). Comment, quality and bits
// are copied. Null when the picture cannot be decoded.
VIMBRAL_API Image CopyImageObject(Image image);

// Comments: text that the next Save writes into the file (a JPEG COM segment, a GIF comment
// extension, a WebP file's XMP description), the only metadata a file of Vimbral carries; null or "" writes
// none. At most 65533 bytes; longer texts are refused (0). Kept when another picture is loaded into the
// handle.
VIMBRAL_API int SetComment(Image image, const char* text);
// The first comment of a JPEG, GIF or WebP file: its length, with up to size - 1 bytes of it and a
// zero copied into `buffer`; -1 when the file cannot be read, is none of these, or has none.
VIMBRAL_API int ReadComment(const char* path, char* buffer, int size);
// ReadComment, and in `whole` (when not null) whether the file is a whole JPEG or WebP file that a
// decoder takes: a sound header (a frame of a size, an image chunk) and an end where its format
// puts it. 1 whole, 0 not, -1 a GIF file (not told: load it to know). Reads the file's head (and a
// WebP file's chunk headers), never its pixels: one open and a few small reads.
VIMBRAL_API int InspectFile(const char* path, char* buffer, int size, int* whole);

// Memory, for callers that share a budget across threads. GetPeakMemory estimates from the header
// the most bytes that bringing the picture to width x height (a Stretch, or a Save when it has that
// size already) and then saving it with `format` (a Save code; 0: not saved) holds at once. Some
// decoders hold a whole picture whatever size it is decoded at (progressive JPEG, interlaced PNG,
// GIF, TIFF, BMP, PCX, TGA), so a small file whose header claims a huge size costs as much as a
// real picture of that size. 0 for an empty handle.
VIMBRAL_API std::int64_t GetPeakMemory(Image image, int width, int height, int format);
// The same for a Shrink to width x height, which holds a JPEG's decode whole while it reduces it.
VIMBRAL_API std::int64_t GetShrinkMemory(Image image, int width, int height);
// Each thread keeps its last decode, when it has at most kMaxKeptDecodePixels, so that the next
// load of the same file is resampled from memory; this frees what the calling thread keeps.
inline constexpr std::int64_t kMaxKeptDecodePixels = 4'000'000;
VIMBRAL_API void ReleaseKeptDecode();

// Metadata: the raw blocks a picture file carries, as libvips finds them in its header (only the
// header is read). `exif` is a TIFF structure (after "Exif\0\0" in JPEG files), `xmp` the XMP
// packet, `iptc` IIM datasets (inside Photoshop image resources in JPEG files); each is empty
// when the file has none. Nonzero when the file could be read at all; BMP, PCX and TGA carry no
// such blocks and give 0.
// A TIFF file has no EXIF block: its own ImageDescription tag is given in `tiffDescription`
// (its EXIF dates are not read).
struct MetadataBlocks {
    std::string exif;
    std::string xmp;
    std::string iptc;
    std::string tiffDescription;
};
VIMBRAL_API int ReadMetadataBlocks(const char* path, MetadataBlocks* blocks);

}  // namespace vimbral
