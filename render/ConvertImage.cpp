#include "ConvertImage.h"

#include "AtomicFile.h"
#include "FrameFit.h"
#include "ImagingSession.h"
#include "JfifFileTarget.h"
#include "JfifSegment.h"
#include "PictureFile.h"

#include <vips/vips8>

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

namespace {

using vips::VImage;

// Pictures above this many bytes are kept on disk rather than in memory while
// they are turned upright; libvips draws the same line for its own
// random-access decodes.
constexpr double largestInMemory = 100.0 * 1024 * 1024;

std::vector<double> PaddingRgb(const FrameSettings& settings) {
    const std::uint32_t c = settings.paddingColor; // 0x00BBGGRR
    return {double(c & 0xFF), double((c >> 8) & 0xFF), double((c >> 16) & 0xFF)};
}

bool SwapsAxes(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

// Brings any decoded picture to 8-bit sRGB, honouring its embedded colour
// profile. A profile that does not fit the picture is ignored, as viewers do.
// Untagged CMYK means nothing without a profile; libvips then assumes its
// built-in CMYK profile, the usual choice.
VImage ToSrgb8(VImage image) {
    if (image.get_typeof(VIPS_META_ICC_NAME) != 0) {
        try {
            return image.icc_transform("srgb",
                                       VImage::option()->set("embedded", true)->set("depth", 8));
        } catch (const vips::VError&) {
            vips_error_clear();
        }
    }
    return image.colourspace(VIPS_INTERPRETATION_sRGB);
}

// Three 8-bit bands; transparency is laid over the background colour, so that
// transparent pixels come out in the padding colour.
VImage Opaque(VImage image, const std::vector<double>& background) {
    if (image.has_alpha()) {
        image = image.flatten(VImage::option()->set("background", background));
    }
    if (image.bands() > 3) {
        image = image.extract_band(0, VImage::option()->set("n", 3));
    }
    return image.format() == VIPS_FORMAT_UCHAR ? image : image.cast(VIPS_FORMAT_UCHAR);
}

double Bytes(const VImage& image) {
    return double(image.width()) * image.height() * image.bands();
}

// Turning a picture upright reads it out of order, but the decoder delivers
// it once from top to bottom, so the picture is kept whole first: in memory,
// or in a temporary file that libvips removes itself when it is large.
VImage Upright(const VImage& image) {
    if (Bytes(image) <= largestInMemory) {
        return image.copy_memory().autorot();
    }
    VipsImage* temp = vips_image_new_temp_file("%s.v");
    if (temp == nullptr) {
        throw vips::VError();
    }
    VImage disc(temp);
    image.write(disc);
    return disc.autorot();
}

// How many times the decoder may shrink the picture for free while leaving at
// least a factor of two to the cubic resize, which gives the quality.
int LoadShrink(float scale) {
    const double reduction = 1.0 / double(scale);
    return reduction >= 4 ? int(std::min(reduction / 2, 1024.0)) : 1;
}

// Scales the opened picture to exactly drawWidth x drawHeight as the viewer
// sees it, upright. Of the decoded picture and the drawn one, the smaller is
// the one kept whole for turning: the drawn picture when reducing, so a huge
// source is never held, and the source when enlarging.
VImage Draw(const PictureFile& picture, VImage opened, const FrameFit& fit,
            const std::vector<double>& background) {
    const int orientation = vips_image_get_orientation(opened.get_image());
    const int shrink = LoadShrink(fit.scale);
    VImage image = shrink > 1 ? picture.Load(shrink) : std::move(opened);
    image = Opaque(ToSrgb8(image), background);

    const bool turn = orientation != 1;
    const bool turnFirst = turn && Bytes(image) <= double(fit.drawWidth) * fit.drawHeight * 3;
    if (turnFirst) {
        image = Upright(image);
    }
    // Scaled before it is turned, the sizes swap for a quarter turn.
    const bool swap = SwapsAxes(orientation) && !turnFirst;
    const int width = swap ? fit.drawHeight : fit.drawWidth;
    const int height = swap ? fit.drawWidth : fit.drawHeight;
    image = image.resize(double(width) / image.width(),
                         VImage::option()
                             ->set("vscale", double(height) / image.height())
                             ->set("kernel", VIPS_KERNEL_CUBIC));
    return turn && !turnFirst ? Upright(image) : image;
}

// Encodes at quality 80 (the IJG tables scaled for 80), baseline, 4:2:0, with
// none of the source's metadata, and puts the file in place whole or not at
// all. Decoding errors of a damaged source surface here, while the pipeline
// runs, and leave only the temporary file, which goes.
bool WriteJpeg(const VImage& canvas, JfifDensity density, const std::string& outputPath) {
    AtomicFile file(outputPath);
    if (!file.IsOpen()) {
        return false;
    }
    JfifFileTarget target(file, density);
    canvas.jpegsave_target(target.Target(), VImage::option()
                                                ->set("Q", 80)
                                                ->set("strip", true)
                                                ->set("interlace", false)
                                                ->set("optimize_coding", false)
                                                ->set("subsample_mode", VIPS_FOREIGN_SUBSAMPLE_ON));
    return target.Succeeded() && file.Commit();
}

bool Convert(const FrameSettings& settings, const std::string& sourcePath,
             const std::string& outputPath) {
    const PictureFile picture(sourcePath);
    VImage opened = picture.Load(1);
    const bool swap = SwapsAxes(vips_image_get_orientation(opened.get_image()));
    const int width = swap ? opened.height() : opened.width();
    const int height = swap ? opened.width() : opened.height();
    JfifDensity density = DensityFromResolution(opened.xres(), opened.yres());
    if (swap) {
        std::swap(density.x, density.y);
    }

    const FrameFit fit = ComputeFrameFit(settings, std::uint32_t(width), std::uint32_t(height));
    if (fit.canvasWidth <= 0 || fit.canvasHeight <= 0) {
        return false;
    }
    const std::vector<double> padding = PaddingRgb(settings);
    VImage canvas;
    if (fit.drawWidth <= 0 || fit.drawHeight <= 0) {
        // Nothing of the picture shows (a 1 x 10000 strip in 800 x 600), but
        // a damaged picture still fails: decode it once to find out.
        (void)opened.avg();
        canvas = VImage::black(fit.canvasWidth, fit.canvasHeight).new_from_image(padding);
    } else {
        const std::vector<double> background =
            settings.doPadding != 0 ? padding : std::vector<double>{0, 0, 0};
        canvas = Draw(picture, std::move(opened), fit, background);
        if (settings.doPadding != 0) {
            canvas = canvas.embed(fit.offsetX, fit.offsetY, fit.canvasWidth, fit.canvasHeight,
                                  VImage::option()
                                      ->set("extend", VIPS_EXTEND_BACKGROUND)
                                      ->set("background", padding));
        }
    }
    return WriteJpeg(canvas, density, outputPath);
}

} // namespace

int ConvertImage(const FrameSettings& settings, const std::string& sourcePath,
                 const std::string& outputPath) {
    const auto validSide = [](std::int32_t side) { return side > 0 && side <= largestFrameSide; };
    if (!ImagingSession::Active() || !validSide(settings.frameWidth) ||
        !validSide(settings.frameHeight)) {
        return 0;
    }
    try {
        return Convert(settings, sourcePath, outputPath) ? 1 : 0;
    } catch (const std::exception&) {
        // vips::VError and allocation failures alike: the conversion failed.
        vips_error_clear();
        return 0;
    }
}
