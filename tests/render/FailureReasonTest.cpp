#include "FailureReason.h"

#include <gtest/gtest.h>

// What the imaging library said of a failure becomes the reason a person reads: want of memory
// before anything else (a decoder that ran out of memory may go on to report data it could not
// read), then a picture too large; otherwise its last line, or that it said nothing.
TEST(FailureReason, PutsMemoryFirst) {
    const char* const rows[][2] = {
        {"gifload: Out of memory\ngifload: Unexpected end of file\n",
         "not enough memory to convert it"},
        {"VipsJpeg: Maximum supported image dimension is 65500 pixels\nVipsJpeg: Premature end\n",
         "the picture is too large to decode"},
        {"tiffload: first\ntiffload: what went wrong last \n", "tiffload: what went wrong last"},
        {"", "the imaging library failed without saying why"},
    };
    for (const auto& [text, reason] : rows) {
        EXPECT_EQ(ReasonOfFailure(text), reason) << text;
    }
}
