#pragma once

#include <string>
#include <string_view>

// The reason a person is shown for a conversion that libvips gave up on,
// from libvips' error text: no memory, a picture larger than a decoder
// allows, or data a decoder could not read. Any other text is given as
// libvips wrote it (its last line: the error text is one for the whole
// process), rather than a guess.
std::string ReasonOfFailure(std::string_view libvipsText);
