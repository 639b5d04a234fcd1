#include "ImagingSession.h"

#include <vips/vips.h>

#include <atomic>

namespace {

// libvips can be started once per process only: after vips_shutdown() it
// cannot be started again, so a second session reports that it did not start.
std::atomic<bool> everStarted{false};
std::atomic<bool> active{false};

// The decoders for the formats the program offers. Every other loader libvips
// has (SVG, PDF, FITS, PPM, ImageMagick for anything but BMP, ...) stays
// blocked: such files fail like a file that is no picture. The GIF loader's
// class is VipsForeignLoadNsgif in this libvips.
constexpr const char* offeredLoaders[] = {
    "VipsForeignLoadJpeg", "VipsForeignLoadPng",    "VipsForeignLoadNsgif",
    "VipsForeignLoadWebp", "VipsForeignLoadTiff",   "VipsForeignLoadHeif",
    "VipsForeignLoadJxl",  "VipsForeignLoadMagick", // reached for BMP files only
};

// A failed conversion is reported by its result; libvips' own warnings about
// damaged files ("error in tile 0 x 0") would only be noise on the terminal.
void DropWarning(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

} // namespace

ImagingSession::ImagingSession() {
    if (everStarted.exchange(true)) {
        return;
    }
    if (VIPS_INIT("quillmere") != 0) {
        vips_error_clear();
        return;
    }
    // With the operation cache on, a file replaced under the same name between
    // two conversions would decode as the old picture.
    vips_cache_set_max(0);
    vips_operation_block_set("VipsForeignLoad", TRUE);
    for (const char* loader : offeredLoaders) {
        vips_operation_block_set(loader, FALSE);
    }
    g_log_set_handler("VIPS", G_LOG_LEVEL_WARNING, DropWarning, nullptr);
    started = true;
    active = true;
}

ImagingSession::~ImagingSession() {
    if (started) {
        active = false;
        vips_shutdown();
    }
}

bool ImagingSession::Active() {
    return active;
}
