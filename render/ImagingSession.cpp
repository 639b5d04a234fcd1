#include "ImagingSession.h"

#include "OfferedFormats.h"
#include "TiffWatch.h"

#include <vips/vips.h>

#include <atomic>

namespace {

// libvips can be started once per process only: after vips_shutdown() it
// cannot be started again, so a second session reports that it did not start.
std::atomic<bool> everStarted{false};
std::atomic<ImagingSession*> active{nullptr};

// A failed conversion is reported by its result, with its reason, so
// libvips' own warnings ("error in tile 0 x 0") would only be noise on the
// terminal.
void IgnoreWarning(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

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
    // Every loader but the offered ones is blocked: other formats (SVG, PDF,
    // FITS, PPM, ImageMagick for anything but BMP, ...) are refused.
    vips_operation_block_set("VipsForeignLoad", TRUE);
    for (const char* loader : OfferedLoaders()) {
        vips_operation_block_set(loader, FALSE);
    }
    // Raw pixels, the form a large picture takes on disc while it is turned
    // upright; no file is ever taken for one, as raw data has no signature.
    vips_operation_block_set("VipsForeignLoadRaw", FALSE);
    g_log_set_handler("VIPS", G_LOG_LEVEL_WARNING, IgnoreWarning, nullptr);
    TiffWatch::Install();
    started = true;
    active = this;
}

ImagingSession::~ImagingSession() {
    if (started) {
        active = nullptr;
        vips_shutdown();
    }
}

ImagingSession* ImagingSession::Active() {
    return active;
}
