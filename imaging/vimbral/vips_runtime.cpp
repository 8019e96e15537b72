#include "imaging/vimbral/vips_runtime.h"

#include <vips/vector.h>

#include <mutex>

namespace vimbral_impl {
namespace {

std::once_flag g_startOnce;
bool g_started = false;

void IgnoreMessage(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

void Start() {
    if (VIPS_INIT("vimbral") != 0) {
        vips_error_clear();
        return;
    }
    // Source files may change between two loads of the same path: no operation cache at all.
    vips_cache_set_max(0);
    vips_cache_set_max_mem(0);
    vips_cache_set_max_files(0);
    // Callers convert several pictures at once, one per thread; one thread per picture is enough.
    vips_concurrency_set(1);
    // No code generated at run time (orc): its code memory is not safe across threads. A resampler
    // that frees its programs on one thread while another thread compiles or frees its own edits
    // orc's unlocked list of code chunks and frees its nodes twice, which corrupts the heap.
    vips_vector_set_enabled(FALSE);
    // Decoder warnings ("read gave 2 warnings") are not for the user's terminal.
    g_log_set_handler("VIPS",
                      static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE |
                                                  G_LOG_LEVEL_INFO | G_LOG_LEVEL_DEBUG),
                      IgnoreMessage, nullptr);
    g_started = true;
}

}  // namespace

bool StartVips() {
    std::call_once(g_startOnce, Start);
    return g_started;
}

ImageRef Share(VipsImage* image) {
    if (image != nullptr) {
        g_object_ref(image);
    }
    return ImageRef(image);
}

void DropVipsError() {
    vips_error_clear();
}

}  // namespace vimbral_impl
