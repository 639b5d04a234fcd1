#include "OfferedFormats.h"

#include <glib-object.h>

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

// The GIF loader's class is VipsForeignLoadNsgif in this libvips; the
// ImageMagick loader, last, is reached for BMP files only, by name.
constexpr const char* offered[] = {
    "VipsForeignLoadJpeg", "VipsForeignLoadPng",  "VipsForeignLoadNsgif", "VipsForeignLoadWebp",
    "VipsForeignLoadTiff", "VipsForeignLoadHeif", "VipsForeignLoadJxl",   "VipsForeignLoadMagick",
};
constexpr std::span<const char* const> recognised(offered, std::size(offered) - 1);

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

// As libvips looks for a loader, in its order of priority, but asking only
// the loaders of the given formats. Their types are looked up once a search,
// not once for every loader libvips has.
struct Search {
    VipsSource* source;
    std::vector<GType> among;
};

void* Recognises(void* item, void* search, void*) {
    auto* loader = static_cast<VipsForeignLoadClass*>(item);
    const Search& s = *static_cast<const Search*>(search);
    const GType type = G_OBJECT_CLASS_TYPE(loader);
    if (loader->is_a_source == nullptr ||
        !g_str_has_suffix(G_OBJECT_CLASS_NAME(loader), "Source") ||
        std::none_of(s.among.begin(), s.among.end(),
                     [type](GType base) { return g_type_is_a(type, base); })) {
        return nullptr;
    }
    (void)vips_source_rewind(s.source); // a test may have read rather than sniffed
    return loader->is_a_source(s.source) ? item : nullptr;
}

const char* LoaderAmong(VipsSource* source, std::span<const char* const> among) {
    Search search{source, {}};
    for (const char* base : among) {
        if (const GType type = g_type_from_name(base); type != 0) {
            search.among.push_back(type);
        }
    }
    void* found = vips_foreign_map("VipsForeignLoad", Recognises, &search, nullptr);
    (void)vips_source_rewind(source);
    return found != nullptr ? G_OBJECT_CLASS_NAME(found) : nullptr;
}

} // namespace

std::span<const char* const> OfferedLoaders() {
    return offered;
}

const char* OfferedLoaderOf(VipsSource* source) {
    return LoaderAmong(source, recognised);
}

std::string KindOf(VipsSource* source) {
    std::vector<const char*> named;
    for (const Kind& kind : kinds) {
        named.push_back(kind.loader);
    }
    const char* loader = LoaderAmong(source, named);
    const auto found = std::find_if(std::begin(kinds), std::end(kinds), [&](const Kind& k) {
        return loader != nullptr && IsA(loader, k.loader);
    });
    return found == std::end(kinds) ? std::string() : found->name;
}
