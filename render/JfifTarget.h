#pragma once

#include "JfifSegment.h"

#include <vips/vips8>

#include <array>
#include <cstddef>
#include <vector>

// A libvips output target that gathers a JPEG stream into memory with a JFIF
// header inserted after the start-of-image marker. libvips' JPEG saver writes
// no JFIF segment (its resolution goes only into EXIF, which the conversion
// strips).
class JfifTarget {
public:
    JfifTarget(std::vector<unsigned char>& bytes, JfifDensity density);
    JfifTarget(const JfifTarget&) = delete;
    JfifTarget& operator=(const JfifTarget&) = delete;

    vips::VTarget Target() const { return target; }

    // Whether a write failed: memory ran out, or the stream was no JPEG.
    bool Failed() const { return failed; }
    // Whether the whole stream was kept.
    bool Succeeded() const { return !failed && headerDone; }

private:
    static gint64 OnWrite(VipsTargetCustom*, void* data, gint64 length, JfifTarget* self);
    bool Pass(const unsigned char* data, std::size_t length);

    std::vector<unsigned char>& bytes;
    std::array<unsigned char, 18> segment;
    std::array<unsigned char, 2> start{};
    std::size_t startLength = 0;
    bool headerDone = false;
    bool failed = false;
    vips::VTarget target;
};
