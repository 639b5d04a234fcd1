#pragma once

#include <cstdint>
#include <string_view>

// Decoders report damaged data (JPEG entropy data that breaks off or makes no
// sense, also inside a TIFF) only as warnings, through one log for the whole
// process that does not say which picture they came from. The watch counts
// those warnings, so that a conversion can tell whether one came while it ran.
namespace DamageWatch {

// Takes one warning from libvips' log.
void Note(const char* message);

// How many warnings of damage have been noted so far.
std::uint64_t Count();

// Whether a decoder's warning means damaged data, rather than an oddity every
// viewer shows past ("3 extraneous bytes before marker 0xdb").
bool IsDamage(std::string_view message);

} // namespace DamageWatch
