#pragma once

#include "DecodeReservation.h"
#include "DecodeVerdict.h"
#include "FileIdentity.h"
#include "JpegDecodes.h"
#include "SourceFile.h"
#include "TiffWatch.h"

#include <vips/vips8>

#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

// A picture file in one of the formats the program offers, with the decoder
// its content (not its name) calls for. The file is opened once, without
// waiting on it, and only a regular file is read. Construction throws a
// Refusal with the reason when the file cannot be read or holds no offered
// format. Damage that decoders report only by warnings is kept in the
// picture's own verdict.
class PictureFile {
public:
    // Its decodes take their memory from budget, which outlives the picture.
    PictureFile(const std::string& path, DecodeBudget& budget);
    ~PictureFile();
    PictureFile(const PictureFile&) = delete;
    PictureFile& operator=(const PictureFile&) = delete;

    // Decodes the picture lazily and in one pass from top to bottom.
    // Truncated data makes the decode fail instead of being filled with grey.
    // Where the format can decode at a reduced size, the picture comes out
    // shrunk by at most maxShrink (a whole factor of 1 or more).
    vips::VImage Load(int maxShrink);

    // Waits for room to decode in the memory it needs, held until the
    // picture and its decoders are gone; false when stop came first.
    bool Reserve(std::uint64_t needed, std::stop_token stop) {
        return reservation.emplace(budget, needed, std::move(stop)).Granted();
    }

    // The file as it was when it was opened.
    const FileIdentity& Identity() const { return identity; }

    // What the decoders found so far.
    DecodeVerdict::Finding Found() const { return verdict.Found(); }
    // What the decoders found, once every decode that was started has read
    // its data to the end.
    DecodeVerdict::Finding FoundToTheEnd();

private:
    enum class Decoder { Jpeg, Webp, Tiff, OtherSource, Bmp };

    vips::VSource Source() const;

    DecodeBudget& budget;
    // First, so that it goes last, after the decoders.
    std::optional<DecodeReservation> reservation;
    SourceFile file;
    // The open file by a name of its own: each decode reads it through a new
    // descriptor with its own position, and a file renamed or replaced under
    // its old name meanwhile is not seen.
    std::string openName;
    FileIdentity identity;
    Decoder decoder = Decoder::OtherSource;
    std::string sourceLoader;
    // The whole file, for decoders that would otherwise map it: a mapped file
    // cut short by someone else ends the process when the decoder reads past
    // its new end.
    VipsBlob* bytes = nullptr;
    DecodeVerdict verdict;
    JpegDecodes jpeg{verdict};
    std::vector<std::unique_ptr<TiffWatch>> tiffWatches;
};
