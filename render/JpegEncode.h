#pragma once

#include "JfifDensity.h"
#include "Rows.h"

#include <vector>

// The three-band sRGB picture of width x height, made row by row as the
// encoder takes it, as a whole JPEG file at quality 80 (the IJG tables scaled
// for 80), baseline, 4:2:0, with a JFIF header of the density and nothing
// else, encoded by libjpeg-turbo on the calling thread. Throws std::bad_alloc
// when memory runs out; what the rows throw passes through.
std::vector<unsigned char> EncodeJpeg(int width, int height, const Rows& rows, JfifDensity density);
