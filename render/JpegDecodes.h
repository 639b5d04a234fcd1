#pragma once

#include "DecodeVerdict.h"

#include <vips/vips8>

#include <memory>
#include <string>
#include <vector>

struct JpegStream;

/*
 * The pixels of one JPEG file, decoded by libjpeg-turbo with an error manager
 * of this picture's own. libvips' own JPEG decoder tells only a JPEG's first
 * warning, into a log shared by the whole process, and none that come as the
 * decode ends; here every warning goes to the picture's verdict: before the
 * first scan (stray bytes ahead of a table, an odd JFIF version) it is
 * harmless, from the first scan on it is damage, and the decode stops.
 */
class JpegDecodes {
public:
    explicit JpegDecodes(DecodeVerdict& pictureVerdict) : verdict(pictureVerdict) {}

    // The picture in the file at path, decoded lazily from top to bottom at
    // 1/shrink of its size (shrink 1, 2, 4 or 8). header is libvips' reading
    // of the same file at the same shrink: the size, bands and metadata
    // (colour profile, orientation, resolution) the pixels come with.
    vips::VImage Open(const std::string& path, const vips::VImage& header, int shrink);

    // Reads to the end every decode that was started and not finished, so
    // that damage in rows the picture did not need (the last few rows of a
    // reduction, the end of the file) still counts.
    void Finish();

private:
    DecodeVerdict& verdict;
    std::vector<std::shared_ptr<JpegStream>> streams;
};
