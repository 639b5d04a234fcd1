#pragma once

#include <vips/vips8>

#include <string>

// A picture file in one of the formats the program offers, with the decoder
// its content (not its name) calls for. Construction throws vips::VError when
// the file cannot be read or holds no offered format; formats libvips knows
// but the program does not offer are refused like a file that is no picture.
class PictureFile {
public:
    explicit PictureFile(std::string path);

    // Decodes the picture lazily and in one pass from top to bottom.
    // Truncated data makes the decode fail instead of being filled with grey.
    // Where the format can decode at a reduced size, the picture comes out
    // shrunk by at most maxShrink (a whole factor of 1 or more).
    vips::VImage Load(int maxShrink) const;

private:
    enum class Decoder { Jpeg, Webp, OtherSource, Bmp };

    std::string path;
    Decoder decoder = Decoder::OtherSource;
    std::string sourceLoader;
};
