#include "PictureFile.h"
#include "SystemReason.h"

#include "OfferedFormats.h"
#include "Refusal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
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

int FreeBytes(void* data, void*) {
    g_free(data);
    return 0;
}

// The file's bytes as they are now; a file cut short while it is read gives
// what was there, which then decodes as damaged.
VipsBlob* ReadWhole(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        throw Refusal(SystemReason(errno));
    }
    const auto size = std::size_t(info.st_size);
    auto* data = static_cast<char*>(g_try_malloc(size == 0 ? 1 : size));
    if (data == nullptr) {
        throw Refusal(reason::outOfMemory);
    }
    std::size_t have = 0;
    while (have < size) {
        const ssize_t read = ::pread(fd, data + have, size - have, off_t(have));
        if (read < 0 && errno == EINTR) {
            continue;
        }
        if (read <= 0) {
            break;
        }
        have += std::size_t(read);
    }
    return vips_blob_new(FreeBytes, data, have);
}

bool MapsItsSource(const char* loader) {
    return std::strcmp(loader, "VipsForeignLoadWebpSource") == 0 ||
           std::strcmp(loader, "VipsForeignLoadNsgifSource") == 0;
}

} // namespace

// Sources are opened without name parsing, so a file name ending in
// "[...]" is taken as it is rather than as libvips load options.
PictureFile::PictureFile(const std::string& path, DecodeBudget& decodes)
    : budget(decodes), file(path), openName(DescriptorPath(file.Descriptor())) {
    if (!file.Problem().empty()) {
        throw Refusal(file.Problem());
    }
    struct stat info {};
    if (::fstat(file.Descriptor(), &info) != 0) {
        throw Refusal(SystemReason(errno));
    }
    identity = IdentityOf(info);
    vips::VSource source = Source();
    if (const char* loader = OfferedLoaderOf(source.get_source())) {
        sourceLoader = vips_nickname_find(g_type_from_name(loader));
        if (std::strcmp(loader, "VipsForeignLoadJpegSource") == 0) {
            decoder = Decoder::Jpeg;
        } else if (std::strcmp(loader, "VipsForeignLoadWebpSource") == 0) {
            decoder = Decoder::Webp;
        } else if (std::strcmp(loader, "VipsForeignLoadTiffSource") == 0) {
            decoder = Decoder::Tiff;
        }
        if (MapsItsSource(loader)) {
            bytes = ReadWhole(file.Descriptor());
        }
        return;
    }
    if (const std::string kind = KindOf(source.get_source()); !kind.empty()) {
        throw Refusal(std::string(reason::notPicture) + " (" + kind + "; " + reason::kindsRead +
                      ")");
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

PictureFile::~PictureFile() {
    if (bytes != nullptr) {
        vips_area_unref(VIPS_AREA(bytes));
    }
}

vips::VSource PictureFile::Source() const {
    if (bytes != nullptr) {
        return vips::VSource(vips_source_new_from_blob(bytes));
    }
    return vips::VSource::new_from_file(openName.c_str());
}

vips::VImage PictureFile::Load(int maxShrink) {
    const auto options = [] {
        return vips::VImage::option()
            ->set("access", VIPS_ACCESS_SEQUENTIAL)
            ->set("fail_on", VIPS_FAIL_ON_TRUNCATED);
    };
    if (decoder == Decoder::Bmp) {
        return vips::VImage::magickload(("BMP:" + openName).c_str(), options());
    }
    vips::VSource source = Source();
    if (decoder == Decoder::Jpeg) {
        const int shrink = JpegShrink(maxShrink);
        const vips::VImage header =
            vips::VImage::jpegload_source(source, vips::VImage::option()->set("shrink", shrink));
        return jpeg.Open(openName, header, shrink);
    }
    if (decoder == Decoder::Tiff) {
        tiffWatches.push_back(std::make_unique<TiffWatch>(source.get_source(), verdict));
    }
    vips::VImage out;
    vips::VOption* loadOptions = options()->set("source", source)->set("out", &out);
    if (decoder == Decoder::Webp && maxShrink > 1) {
        loadOptions->set("scale", 1.0 / maxShrink);
    }
    vips::VImage::call(sourceLoader.c_str(), loadOptions);
    return out;
}

DecodeVerdict::Finding PictureFile::FoundToTheEnd() {
    jpeg.Finish();
    return verdict.Found();
}
