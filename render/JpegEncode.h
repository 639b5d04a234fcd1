#pragma once

#include "JfifSegment.h"
#include "Pixels.h"

#include <vector>

// The three-band sRGB picture as a whole JPEG file at quality 80 (the IJG
// tables scaled for 80), baseline, 4:2:0, with a JFIF header of the density
// and nothing else, encoded by libjpeg-turbo on the calling thread: the file
// libvips' saver writes for the same picture, without its worker threads.
// Throws std::bad_alloc when memory runs out.
std::vector<unsigned char> EncodeJpeg(const Pixels& picture, JfifDensity density);
