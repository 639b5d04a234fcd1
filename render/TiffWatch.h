#pragma once

#include "DecodeVerdict.h"

#include <vips/vips.h>

/*
 * libtiff hands its warnings to one handler for the whole process, with the
 * client data of the file they concern, which for libvips' TIFF loader is the
 * VipsSource it reads. The JPEG decoder inside a TIFF reports damaged data
 * only by such a warning. A picture being decoded registers its source for
 * the life of a watch, and warnings of damage about that source go to the
 * picture's verdict.
 */
class TiffWatch {
public:
    // Holds the source, so that no other source takes its address meanwhile.
    TiffWatch(VipsSource* source, DecodeVerdict& verdict);
    ~TiffWatch();
    TiffWatch(const TiffWatch&) = delete;
    TiffWatch& operator=(const TiffWatch&) = delete;

    // Takes libtiff's warnings; once, when the imaging library starts.
    static void Install();

private:
    VipsSource* source;
};
