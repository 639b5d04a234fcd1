#include "PictureFile.h"

#include "OfferedFormats.h"
#include "Refusal.h"

#include <unistd.h>

#include <array>
#include <cstring>

namespace {

bool StartsWithBmpMagic(int fd) {
    std::array<char, 2> magic{};
    return ::pread(fd, magic.data(), magic.size(), 0) == 2 && magic[0] == 'B' && magic[1] == 'M';
}

// JPEG decodes at 1/2, 1/4 or 1/8 of its size.
int JpegShrink(int maxShrink) {
    int shrink = 1;
    while (shrink < 8 && shrink * 2 <= maxShrink) {
        shrink *= 2;
    }
    return shrink;
}

} // namespace

// Sources are opened without name parsing, so a file name ending in
// "[...]" is taken as it is rather than as libvips load options.
PictureFile::PictureFile(const std::string& path, bool strictDecode)
    : file(path), openName("/proc/self/fd/" + std::to_string(file.Descriptor())),
      strict(strictDecode) {
    if (!file.Problem().empty()) {
        throw Refusal(file.Problem());
    }
    vips::VSource source = vips::VSource::new_from_file(openName.c_str());
    if (const char* loader = vips_foreign_find_load_source(source.get_source())) {
        if (!IsOffered(loader)) {
            const std::string kind = KindOf(loader);
            throw Refusal(kind.empty() ? reason::notPicture
                                       : std::string(reason::notPicture) + " (" + kind + ")");
        }
        sourceLoader = vips_nickname_find(g_type_from_name(loader));
        if (std::strcmp(loader, "VipsForeignLoadJpegSource") == 0) {
            decoder = Decoder::Jpeg;
        } else if (std::strcmp(loader, "VipsForeignLoadWebpSource") == 0) {
            decoder = Decoder::Webp;
        } else if (std::strcmp(loader, "VipsForeignLoadTiffSource") == 0) {
            decoder = Decoder::Tiff;
        }
        return;
    }
    // BMP has no decoder of libvips' own. ImageMagick's decodes it, and only
    // files that begin like a BMP reach it, named explicitly as BMP so that
    // none of ImageMagick's many other coders ever sees the file.
    vips_error_clear();
    if (!StartsWithBmpMagic(file.Descriptor())) {
        throw Refusal(reason::notPicture);
    }
    decoder = Decoder::Bmp;
}

vips::VImage PictureFile::Load(int maxShrink) const {
    const auto options = [&] {
        return vips::VImage::option()
            ->set("access", VIPS_ACCESS_SEQUENTIAL)
            ->set("fail_on", FailsOnWarnings() ? VIPS_FAIL_ON_WARNING : VIPS_FAIL_ON_TRUNCATED);
    };
    if (decoder == Decoder::Bmp) {
        return vips::VImage::magickload(("BMP:" + openName).c_str(), options());
    }
    vips::VSource source = vips::VSource::new_from_file(openName.c_str());
    vips::VImage out;
    vips::VOption* loadOptions = options()->set("source", source)->set("out", &out);
    if (decoder == Decoder::Jpeg) {
        loadOptions->set("shrink", JpegShrink(maxShrink));
    } else if (decoder == Decoder::Webp && maxShrink > 1) {
        loadOptions->set("scale", 1.0 / maxShrink);
    }
    vips::VImage::call(sourceLoader.c_str(), loadOptions);
    return out;
}
