#pragma once

#include "SourceFile.h"

#include <vips/vips8>

#include <string>

// A picture file in one of the formats the program offers, with the decoder
// its content (not its name) calls for. The file is opened once, without
// waiting on it, and only a regular file is read. Construction throws a
// Refusal with the reason when the file cannot be read or holds no offered
// format. A strict picture fails on the first warning of a JPEG decoder, as
// libjpeg reports damaged data only by warnings.
class PictureFile {
public:
    PictureFile(const std::string& path, bool strict);

    // Decodes the picture lazily and in one pass from top to bottom.
    // Truncated data makes the decode fail instead of being filled with grey.
    // Where the format can decode at a reduced size, the picture comes out
    // shrunk by at most maxShrink (a whole factor of 1 or more).
    vips::VImage Load(int maxShrink) const;

    // Whether the decode fails on a warning (a strict JPEG).
    bool FailsOnWarnings() const { return strict && decoder == Decoder::Jpeg; }

    // Whether the decoder warns of damage only in libvips' log (TIFF, whose
    // JPEG-compressed strips libvips decodes without its own JPEG decoder).
    bool WarnsInLogOnly() const { return decoder == Decoder::Tiff; }

private:
    enum class Decoder { Jpeg, Webp, Tiff, OtherSource, Bmp };

    SourceFile file;
    // The open file by a name of its own: each decode reads it through a new
    // descriptor with its own position, and a file renamed or replaced under
    // its old name meanwhile is not seen.
    std::string openName;
    bool strict;
    Decoder decoder = Decoder::OtherSource;
    std::string sourceLoader;
};
