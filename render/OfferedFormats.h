#pragma once

#include <span>
#include <string>

// The libvips loader classes of the formats the program reads. Every other
// loader stays blocked.
std::span<const char* const> OfferedLoaders();

// Whether a loader class (such as VipsForeignLoadJpegSource) decodes one of
// the offered formats.
bool IsOffered(const char* loaderClass);

// What a person calls a file that a loader of a format the program does not
// offer recognises ("an SVG drawing"), or empty when the loader has no
// common name.
std::string KindOf(const char* loaderClass);
