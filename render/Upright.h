#pragma once

#include "PipelineStop.h"

#include <vips/vips8>

// Turns an 8-bit, three-band picture upright by its EXIF orientation.
// Turning reads the picture out of order, but a decoder delivers it once from
// top to bottom, so the picture is kept whole first: in memory, or, when it
// is large, in a temporary file that has no name and so vanishes with the
// process however it ends. The copy is cancelled with the conversion.
vips::VImage Upright(const vips::VImage& image, PipelineStop& stop);
