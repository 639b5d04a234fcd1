#pragma once

#include "Pixels.h"

#include <vips/vips8>

// Computes the whole of a small picture (8-bit samples) on the calling
// thread, without libvips' worker threads: for a picture of a few hundred
// thousand pixels, handing its strips between threads costs more than
// computing them, and it keeps conversions running side by side from waiting
// on each other.
Pixels EvaluateHere(const vips::VImage& image);
