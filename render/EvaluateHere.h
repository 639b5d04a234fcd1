#pragma once

#include <vips/vips8>

#include <cstdint>
#include <memory>

/*
 * Computes a picture of 8-bit samples on the calling thread, a strip of rows
 * at a time, without libvips' worker threads: handing strips between threads
 * costs more than computing a small picture, and conversions running side by
 * side, one to a core, would wait on each other's hand-overs. Each step of
 * the pipeline holds a strip, not the picture, and reuses its buffer from one
 * strip to the next.
 */
class EvaluatedHere {
public:
    explicit EvaluatedHere(const vips::VImage& image);

    // Row y (width x bands samples), cheapest top to bottom. Throws
    // vips::VError when the picture cannot be computed (damage, a stop).
    void Row(int y, std::uint8_t* out);

private:
    struct Unref {
        void operator()(VipsRegion* region) const { g_object_unref(region); }
    };

    vips::VImage image_;
    std::unique_ptr<VipsRegion, Unref> region_;
    VipsRect strip_{0, 0, 0, 0};
};
