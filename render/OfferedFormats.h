#pragma once

#include <vips/vips.h>

#include <span>
#include <string>

// The libvips loader classes of the formats the program reads. Every other
// loader stays blocked.
std::span<const char* const> OfferedLoaders();

// The source loader class (such as VipsForeignLoadJpegSource) of an offered
// format that recognises the source, or null. Only those loaders look at it:
// every loader libvips has would probe each picture, some by opening the file
// again by its name (the slide-scan loader through SQLite).
const char* OfferedLoaderOf(VipsSource* source);

// What a person calls a source of a format the program does not offer
// ("an SVG drawing"), or empty when it is none of the common ones.
std::string KindOf(VipsSource* source);
