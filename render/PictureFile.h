#pragma once

#include "SourceFile.h"

#include <vips/vips8>

#include <string>

// A picture file in one of the formats the program offers, with the decoder
// its content (not its name) calls for. The file is opened once, without
// waiting on it, and only a regular file is read. Construction throws a
// Refusal with the reason when the file cannot be read or holds no offered
// format.
class PictureFile {
public:
    explicit PictureFile(const std::string& path);

    // Decodes the picture lazily and in one pass from top to bottom.
    // Truncated data makes the decode fail instead of being filled with grey.
    // Where the format can decode at a reduced size, the picture comes out
    // shrunk by at most maxShrink (a whole factor of 1 or more).
    vips::VImage Load(int maxShrink) const;

private:
    enum class Decoder { Jpeg, Webp, OtherSource, Bmp };

    SourceFile file;
    // The open file by a name of its own: each decode reads it through a new
    // descriptor with its own position, and a file renamed or replaced under
    // its old name meanwhile is not seen.
    std::string openName;
    Decoder decoder = Decoder::OtherSource;
    std::string sourceLoader;
};
