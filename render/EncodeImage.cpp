#include "EncodeImage.h"

#include "ColorRef.h"
#include "CubicEnlarge.h"
#include "DecodeReservation.h"
#include "EvaluateHere.h"
#include "FailureReason.h"
#include "FrameFit.h"
#include "ImagingSession.h"
#include "JfifDensity.h"
#include "JpegEncode.h"
#include "PictureFile.h"
#include "PipelineStop.h"
#include "Refusal.h"
#include "Upright.h"

#include <vips/vips8>

#include <algorithm>
#include <exception>
#include <new>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using vips::VImage;

std::vector<double> PaddingRgb(const FrameSettings& settings) {
    const Rgb rgb = RgbFromRef(settings.paddingColor);
    return {double(rgb.red), double(rgb.green), double(rgb.blue)};
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

// How many times the decoder may shrink the picture for free while leaving at
// least a factor of two to the cubic resize, which gives the quality.
int LoadShrink(float scale) {
    const double reduction = 1.0 / double(scale);
    return reduction >= 4 ? int(std::min(reduction / 2, 1024.0)) : 1;
}

VImage Resize(const VImage& image, int width, int height) {
    return image.resize(double(width) / image.width(),
                        VImage::option()
                            ->set("vscale", double(height) / image.height())
                            ->set("kernel", VIPS_KERNEL_CUBIC));
}

struct Drawn {
    VImage image;
    // The image is the picture upright and in 8-bit sRGB, still to be
    // enlarged to the drawn size: a separable cubic does that at a fraction
    // of the cost of libvips' general interpolator.
    bool toEnlarge = false;
};

// Scales the opened picture to exactly drawWidth x drawHeight as the viewer
// sees it, upright and in 8-bit sRGB. Of the decoded picture and the drawn
// one, the smaller is the one kept whole for turning (the drawn picture when
// reducing, so a huge source is never held, and the source when enlarging)
// and the one whose colours are transformed, as libvips' thumbnail does.
// Transparency is laid over the background before the resize, in sRGB, so
// that transparent areas come out in exactly the padding colour.
Drawn Draw(PictureFile& picture, VImage opened, const FrameFit& fit,
           const std::vector<double>& background, PipelineStop& stop) {
    const int orientation = vips_image_get_orientation(opened.get_image());
    const int shrink = LoadShrink(fit.scale);
    VImage image = shrink > 1 ? stop.Watch(picture.Load(shrink)) : std::move(opened);

    const bool reducing =
        double(image.width()) * image.height() > double(fit.drawWidth) * fit.drawHeight;
    const bool colourLate = reducing && !image.has_alpha();
    if (!colourLate) {
        image = Opaque(ToSrgb8(image), background);
    }
    const bool turn = orientation != 1;
    if (turn && !reducing) {
        image = Upright(image, stop);
    }
    if (image.width() == fit.drawWidth && image.height() == fit.drawHeight) {
        return {image}; // already the drawn size: drawn as it is, not resampled
    }
    if (!reducing && image.width() <= fit.drawWidth && image.height() <= fit.drawHeight) {
        return {image, true};
    }
    // Scaled before it is turned, the sizes swap for a quarter turn.
    const bool swap = SwapsAxes(orientation) && reducing;
    image =
        Resize(image, swap ? fit.drawHeight : fit.drawWidth, swap ? fit.drawWidth : fit.drawHeight);
    if (colourLate) {
        image = Opaque(ToSrgb8(image), background);
    }
    return {turn && reducing ? Upright(image, stop) : image};
}

// The drawn picture enlarged row by row as the encoder takes the rows, on its
// canvas. Decoding errors of a damaged source surface here, while the rows
// are computed.
std::vector<unsigned char> Enlarged(const VImage& image, const FrameFit& fit,
                                    const std::vector<double>& padding, bool padded,
                                    JfifDensity density, PipelineStop& stop) {
    EvaluatedHere source(stop.Watch(image));
    CubicEnlarger enlarger([&source](int y, std::uint8_t* row) { source.Row(y, row); },
                           image.width(), image.height(), image.bands(), fit.drawWidth,
                           fit.drawHeight);
    Rows drawn = [&enlarger](int y, std::uint8_t* row) { enlarger.Row(y, row); };
    if (!padded) {
        return EncodeJpeg(fit.drawWidth, fit.drawHeight, stop.Watch(std::move(drawn)), density);
    }
    return EncodeJpeg(fit.canvasWidth, fit.canvasHeight,
                      stop.Watch(OnCanvas(std::move(drawn), fit.drawWidth, fit.drawHeight,
                                          fit.canvasWidth, fit.offsetX, fit.offsetY,
                                          {std::uint8_t(padding[0]), std::uint8_t(padding[1]),
                                           std::uint8_t(padding[2])})),
                      density);
}

// Decoding errors of a damaged source surface here, while the rows are
// computed.
std::vector<unsigned char> Jpeg(const VImage& canvas, JfifDensity density, PipelineStop& stop) {
    EvaluatedHere rows(stop.Watch(canvas));
    return EncodeJpeg(
        canvas.width(), canvas.height(), [&rows](int y, std::uint8_t* row) { rows.Row(y, row); },
        density);
}

// What the decode of the opened picture holds whatever it is shrunk to: all
// the coefficients of a progressive JPEG, two bytes each.
std::uint64_t WholeDecodeBytes(const VImage& opened) {
    const bool progressive =
        opened.get_typeof("interlaced") != 0 && opened.get_int("interlaced") != 0;
    return progressive ? std::uint64_t(opened.width()) * std::uint64_t(opened.height()) *
                             std::uint64_t(opened.bands()) * 2
                       : 0;
}

// What any other decode holds while it runs in strips: some hundred rows at
// full width between the decoder, libvips' workers and the shrink, more for
// deep pictures. Reserving it too keeps a whole decode from running beside
// other pictures, where together they would go past the budget.
std::uint64_t StripDecodeBytes(const VImage& opened) {
    constexpr std::uint64_t rowsHeld = 256;
    return std::uint64_t(opened.width()) * std::uint64_t(opened.bands()) *
           std::uint64_t(vips_format_sizeof(opened.format())) * rowsHeld;
}

std::vector<unsigned char> Convert(const FrameSettings& settings, PictureFile& picture,
                                   PipelineStop& stop) {
    VImage opened = stop.Watch(picture.Load(1));
    const std::uint64_t wholeDecode = WholeDecodeBytes(opened);
    if (wholeDecode > LargestDecode()) {
        throw Refusal(reason::tooLarge);
    }
    if (!picture.Reserve(wholeDecode > 0 ? wholeDecode : StripDecodeBytes(opened), stop.Token())) {
        throw vips::VError(stoppedFailure);
    }
    const bool swap = SwapsAxes(vips_image_get_orientation(opened.get_image()));
    const int width = swap ? opened.height() : opened.width();
    const int height = swap ? opened.width() : opened.height();
    JfifDensity density = DensityFromResolution(opened.xres(), opened.yres());
    if (swap) {
        std::swap(density.x, density.y);
    }

    const FrameFit fit = ComputeFrameFit(settings, std::uint32_t(width), std::uint32_t(height));
    if (fit.canvasWidth <= 0 || fit.canvasHeight <= 0) {
        throw Refusal("the picture is too thin to draw at this frame size");
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
        Drawn drawn = Draw(picture, std::move(opened), fit, background, stop);
        if (drawn.toEnlarge) {
            return Enlarged(drawn.image, fit, padding, settings.doPadding != 0, density, stop);
        }
        canvas = std::move(drawn.image);
        if (settings.doPadding != 0) {
            canvas = canvas.embed(fit.offsetX, fit.offsetY, fit.canvasWidth, fit.canvasHeight,
                                  VImage::option()
                                      ->set("extend", VIPS_EXTEND_BACKGROUND)
                                      ->set("background", padding));
        }
    }
    return Jpeg(canvas, density, stop);
}

std::string ReasonOf(DecodeVerdict::Finding finding) {
    return finding == DecodeVerdict::Finding::outOfMemory ? reason::outOfMemory : reason::damaged;
}

// A picture whose decoders reported damage fails, even where they went on
// with filler; the verdict also names the failure when a decoder gave up.
std::string Attempt(const FrameSettings& settings, std::optional<PictureFile>& picture,
                    const std::string& sourcePath, DecodeBudget& budget,
                    const std::stop_token& token, std::vector<unsigned char>& bytes) {
    PipelineStop stop(token);
    try {
        picture.emplace(sourcePath, budget);
        bytes = Convert(settings, *picture, stop);
        if (const auto found = picture->FoundToTheEnd(); found != DecodeVerdict::Finding::none) {
            return ReasonOf(found);
        }
        return {};
    } catch (const Refusal& refusal) {
        return refusal.what();
    } catch (const vips::VError& error) {
        vips_error_clear();
        if (stop.Requested()) {
            return stoppedFailure;
        }
        if (picture && picture->Found() != DecodeVerdict::Finding::none) {
            return ReasonOf(picture->Found());
        }
        return ReasonOfFailure(error.what());
    } catch (const std::bad_alloc&) {
        vips_error_clear();
        return stop.Requested() ? stoppedFailure : reason::outOfMemory;
    }
}

bool ValidSide(std::int32_t side) {
    return side > 0 && side <= largestFrameSide;
}

} // namespace

Encoded EncodeImage(const FrameSettings& settings, const std::string& sourcePath,
                    std::stop_token stop) {
    ImagingSession* session = ImagingSession::Active();
    if (session == nullptr) {
        return {{}, reason::notStarted};
    }
    if (!ValidSide(settings.frameWidth) || !ValidSide(settings.frameHeight)) {
        return {{},
                "the frame size must be from 1 to " + std::to_string(largestFrameSide) +
                    " pixels a side"};
    }
    std::optional<PictureFile> picture;
    Encoded encoded;
    encoded.failure =
        Attempt(settings, picture, sourcePath, session->Decodes(), stop, encoded.bytes);
    if (!encoded.failure.empty()) {
        encoded.bytes.clear();
    }
    if (picture) {
        encoded.source = picture->Identity();
    }
    picture.reset(); // its decoders' memory, before the reservation that counts it goes
    return encoded;
}
