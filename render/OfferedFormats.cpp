#include "OfferedFormats.h"

#include <glib-object.h>

#include <algorithm>
#include <iterator>

namespace {

// The GIF loader's class is VipsForeignLoadNsgif in this libvips; the
// ImageMagick loader is reached for BMP files only.
constexpr const char* offered[] = {
    "VipsForeignLoadJpeg", "VipsForeignLoadPng",  "VipsForeignLoadNsgif", "VipsForeignLoadWebp",
    "VipsForeignLoadTiff", "VipsForeignLoadHeif", "VipsForeignLoadJxl",   "VipsForeignLoadMagick",
};

struct Kind {
    const char* loader;
    const char* name;
};

constexpr Kind kinds[] = {
    {"VipsForeignLoadSvg", "an SVG drawing"},       {"VipsForeignLoadPdf", "a PDF document"},
    {"VipsForeignLoadPpm", "a PNM picture"},        {"VipsForeignLoadFits", "a FITS picture"},
    {"VipsForeignLoadJp2k", "a JPEG 2000 picture"}, {"VipsForeignLoadRad", "a Radiance picture"},
    {"VipsForeignLoadVips", "a libvips picture"},   {"VipsForeignLoadOpenslide", "a slide scan"},
};

bool IsA(const char* loaderClass, const char* base) {
    const GType type = g_type_from_name(loaderClass);
    const GType baseType = g_type_from_name(base);
    return type != 0 && baseType != 0 && g_type_is_a(type, baseType);
}

} // namespace

std::span<const char* const> OfferedLoaders() {
    return offered;
}

bool IsOffered(const char* loaderClass) {
    return std::any_of(std::begin(offered), std::end(offered),
                       [&](const char* base) { return IsA(loaderClass, base); });
}

std::string KindOf(const char* loaderClass) {
    const auto found = std::find_if(std::begin(kinds), std::end(kinds),
                                    [&](const Kind& k) { return IsA(loaderClass, k.loader); });
    return found == std::end(kinds) ? std::string() : found->name;
}
