#pragma once

#include "Pixels.h"

/*
 * Enlarges a picture to width x height (each at least the picture's own) by
 * cubic convolution (Catmull-Rom, the bicubic every viewer knows), one axis
 * after the other, with the edge pixels repeated beyond the border. The weights of each output column and row are
 * worked out once, so an enlargement costs a few multiplications a sample,
 * where a general two-dimensional interpolator works them out again for
 * every pixel.
 */
Pixels EnlargeCubic(const Pixels& picture, int width, int height);
