/* Processor time of each step a first publish takes per photo, with libvips set up as Vimbral sets
   it up (one thread per picture, no run-time code generation, no operation cache): today's large
   picture and thumbnail (vips_thumbnail, as Vimbral's Stretch makes them), the decode at the scale
   each widest variant needs, the cubic reduces of the resample chain, and each encode (JPEG at the
   job's quality with and without optimised Huffman tables, WebP at efforts 0 and 1 at the mapped
   quality). Averages over the photos given, in milliseconds.

       cc -O2 bench/conversion/variant_steps.c -o /tmp/variant_steps $(pkg-config --cflags --libs vips)
       /tmp/variant_steps /tmp/galvane-corpus/photo0[1-8].jpg
*/
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <vips/vips.h>

// After vips.h, which it needs.
#include <vips/vector.h>

#define JPEG_QUALITY 75
#define WEBP_QUALITY 72 /* WebpQualityFor(75) */
#define MAX_STEPS 64

static const char* names[MAX_STEPS];
static double totals[MAX_STEPS];
static int steps;

static double ProcessorSeconds(void) {
    struct timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

static void Add(const char* name, double seconds) {
    for (int i = 0; i < steps; ++i) {
        if (strcmp(names[i], name) == 0) {
            totals[i] += seconds;
            return;
        }
    }
    names[steps] = name;
    totals[steps++] = seconds;
}

#define TIMED(name, statement)                     \
    do {                                           \
        const double started = ProcessorSeconds(); \
        statement;                                 \
        Add(name, ProcessorSeconds() - started);   \
    } while (0)

static VipsImage* InMemory(VipsImage* image) {
    VipsImage* copy = vips_image_copy_memory(image);
    g_object_unref(image);
    return copy;
}

static VipsImage* Cropped(VipsImage* image, int width, int height) {
    VipsImage* out = NULL;
    vips_crop(image, &out, 0, 0, width, height, NULL);
    g_object_unref(image);
    return out;
}

/* Vimbral's Shrink of pixels in memory: one pass of the cubic reduce kernel. */
static VipsImage* Reduced(VipsImage* in, int width, int height) {
    VipsImage* out = NULL;
    vips_reduce(in, &out, (double)in->Xsize / width, (double)in->Ysize / height, "kernel", VIPS_KERNEL_CUBIC,
                NULL);
    return InMemory(Cropped(out, width, height));
}

/* Vimbral's Shrink of a JPEG file: decoded at the smallest DCT scale that covers the size, reduced
   on the way. */
static VipsImage* Decoded(const char* path, int width, int height) {
    VipsImage* header = vips_image_new_from_file(path, NULL);
    int shrink = 8;
    while (shrink > 1 && (header->Xsize / shrink < width || header->Ysize / shrink < height)) {
        shrink /= 2;
    }
    g_object_unref(header);
    VipsImage* loaded = NULL;
    vips_jpegload(path, &loaded, "shrink", shrink, "access", VIPS_ACCESS_SEQUENTIAL, NULL);
    VipsImage* out = NULL;
    vips_reduce(loaded, &out, (double)loaded->Xsize / width, (double)loaded->Ysize / height, "kernel",
                VIPS_KERNEL_CUBIC, NULL);
    g_object_unref(loaded);
    return InMemory(Cropped(out, width, height));
}

/* The DCT-scaled decode alone, into memory. */
static void DecodeOnly(const char* path, int shrink) {
    VipsImage* loaded = NULL;
    vips_jpegload(path, &loaded, "shrink", shrink, "access", VIPS_ACCESS_SEQUENTIAL, NULL);
    g_object_unref(InMemory(loaded));
}

static VipsImage* Thumbnail(const char* path, int width, int height) {
    VipsImage* out = NULL;
    vips_thumbnail(path, &out, width, "height", height, NULL);
    return InMemory(out);
}

static VipsImage* Resized(VipsImage* in, int width) {
    VipsImage* out = NULL;
    vips_resize(in, &out, (double)width / in->Xsize, NULL);
    return InMemory(out);
}

static void Jpeg(VipsImage* image, int optimize) {
    void* bytes = NULL;
    size_t size = 0;
    vips_jpegsave_buffer(image, &bytes, &size, "Q", JPEG_QUALITY, "strip", TRUE, "optimize_coding", optimize,
                         NULL);
    g_free(bytes);
}

static void Webp(VipsImage* image, int effort) {
    void* bytes = NULL;
    size_t size = 0;
    vips_webpsave_buffer(image, &bytes, &size, "Q", WEBP_QUALITY, "effort", effort, "strip", TRUE, NULL);
    g_free(bytes);
}

int main(int argc, char** argv) {
    if (VIPS_INIT(argv[0]) != 0 || argc < 2) {
        fprintf(stderr, "usage: %s PHOTO.jpg...\n", argv[0]);
        return 1;
    }
    vips_concurrency_set(1);
    vips_vector_set_enabled(FALSE);
    vips_cache_set_max(0);
    for (int i = 1; i < argc; ++i) {
        const char* path = argv[i];
        VipsImage* header = vips_image_new_from_file(path, NULL);
        const int width = header->Xsize, height = header->Ysize;
        g_object_unref(header);
#define HEIGHT_AT(w) ((int)((double)height * (w) / width))
        VipsImage *large, *thumb, *w2048, *w1280, *w1024, *w800, *w640, *w200, *w100;
        TIMED("today 1024: vips_thumbnail", large = Thumbnail(path, 1024, 768));
        TIMED("today 1024: JPEG 1024 (optimised)", Jpeg(large, TRUE));
        TIMED("today: thumbnail resize to 100", thumb = Resized(large, 100));
        TIMED("today: JPEG thumbnail", Jpeg(thumb, TRUE));
        g_object_unref(large);
        g_object_unref(thumb);
        TIMED("today 640: vips_thumbnail", large = Thumbnail(path, 640, 480));
        TIMED("today 640: JPEG 640 (optimised)", Jpeg(large, TRUE));
        g_object_unref(large);
        TIMED("JPEG decode alone at 1/2 scale", DecodeOnly(path, 2));
        TIMED("JPEG decode alone at 1/4 scale", DecodeOnly(path, 4));
        TIMED("decode + reduce to 2048", w2048 = Decoded(path, 2048, HEIGHT_AT(2048)));
        TIMED("decode + reduce to 1280", w1280 = Decoded(path, 1280, HEIGHT_AT(1280)));
        TIMED("decode + reduce to 1024", w1024 = Decoded(path, 1024, HEIGHT_AT(1024)));
        g_object_unref(w1024);
        TIMED("reduce 2048 -> 1280", g_object_unref(Reduced(w2048, 1280, HEIGHT_AT(1280))));
        TIMED("reduce 2048 -> 1024", w1024 = Reduced(w2048, 1024, HEIGHT_AT(1024)));
        TIMED("reduce 1280 -> 1024", g_object_unref(Reduced(w1280, 1024, HEIGHT_AT(1024))));
        TIMED("reduce 1280 -> 640", w640 = Reduced(w1280, 640, HEIGHT_AT(640)));
        TIMED("reduce 1024 -> 800", w800 = Reduced(w1024, 800, HEIGHT_AT(800)));
        TIMED("reduce 800 -> 200", w200 = Reduced(w800, 200, HEIGHT_AT(200)));
        TIMED("reduce 640 -> 200", g_object_unref(Reduced(w640, 200, HEIGHT_AT(200))));
        TIMED("reduce 200 -> 100", w100 = Reduced(w200, 100, HEIGHT_AT(100)));
        TIMED("JPEG 2048 optimised", Jpeg(w2048, TRUE));
        TIMED("JPEG 2048 plain tables", Jpeg(w2048, FALSE));
        TIMED("WebP 2048 effort 0", Webp(w2048, 0));
        TIMED("WebP 2048 effort 1", Webp(w2048, 1));
        TIMED("WebP 1280 effort 0", Webp(w1280, 0));
        TIMED("WebP 1280 effort 1", Webp(w1280, 1));
        TIMED("JPEG 1024 optimised", Jpeg(w1024, TRUE));
        TIMED("WebP 1024 effort 0", Webp(w1024, 0));
        TIMED("WebP 1024 effort 1", Webp(w1024, 1));
        TIMED("WebP 800 effort 0", Webp(w800, 0));
        TIMED("WebP 800 effort 1", Webp(w800, 1));
        TIMED("JPEG 640 optimised", Jpeg(w640, TRUE));
        TIMED("WebP 640 effort 0", Webp(w640, 0));
        TIMED("WebP 640 effort 1", Webp(w640, 1));
        TIMED("WebP 200 effort 1", Webp(w200, 1));
        TIMED("WebP 100 effort 1", Webp(w100, 1));
        TIMED("JPEG 100 optimised", Jpeg(w100, TRUE));
        VipsImage* all[] = {w2048, w1280, w1024, w800, w640, w200, w100};
        for (size_t j = 0; j < sizeof all / sizeof all[0]; ++j) {
            g_object_unref(all[j]);
        }
    }
    for (int i = 0; i < steps; ++i) {
        printf("%-40s %7.1f ms\n", names[i], totals[i] * 1000 / (argc - 1));
    }
    return 0;
}
