#pragma once

#include "AtomicFile.h"
#include "JfifSegment.h"

#include <vips/vips8>

#include <array>
#include <cstddef>

// A libvips output target that passes a JPEG stream on to an AtomicFile with a
// JFIF header inserted after the start-of-image marker. libvips' JPEG saver
// writes no JFIF segment (its resolution goes only into EXIF, which the
// conversion strips), and the stream is never held whole in memory.
class JfifFileTarget {
public:
    JfifFileTarget(AtomicFile& file, JfifDensity density);
    JfifFileTarget(const JfifFileTarget&) = delete;
    JfifFileTarget& operator=(const JfifFileTarget&) = delete;

    vips::VTarget Target() const { return target; }

    // Whether every byte reached the file and the stream was a JPEG.
    bool Succeeded() const { return !failed && headerDone; }

private:
    static gint64 OnWrite(VipsTargetCustom*, void* data, gint64 length, JfifFileTarget* self);
    bool Pass(const unsigned char* data, std::size_t length);

    AtomicFile& file;
    std::array<unsigned char, 18> segment;
    std::array<unsigned char, 2> start{};
    std::size_t startLength = 0;
    bool headerDone = false;
    bool failed = false;
    vips::VTarget target;
};
