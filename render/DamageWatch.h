#pragma once

#include <cstdint>
#include <string_view>

// Decoders report damaged data (JPEG entropy data that breaks off or makes no
// sense) only as warnings. libvips can make a JPEG's first warning fail its
// decode, but the JPEG decoder inside a TIFF only writes its warnings to one
// log for the whole process, which does not say which picture they came
// from. The watch counts warnings of damage in that log, so that a conversion
// can tell whether one came while it ran.
namespace DamageWatch {

// Takes one warning from libvips' log.
void Note(const char* message);

// How many warnings of damage have been noted so far.
std::uint64_t Count();

// Whether a decoder's warning means damaged data, rather than an oddity every
// viewer shows past ("3 extraneous bytes before marker 0xdb").
bool IsDamage(std::string_view message);

// Whether libvips' error text names JPEG warnings, all of them harmless.
bool OnlyHarmless(std::string_view errorText);

} // namespace DamageWatch
