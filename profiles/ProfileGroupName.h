#pragma once

#include <optional>
#include <string>
#include <string_view>

// How a profile name becomes the name of its group below "Profiles" in the
// settings file, and back. Names are the user's 8-bit bytes; the group name is
// UTF-8 text that QSettings can hold as one level:
//
//  - every valid UTF-8 character stays as it is, except three:
//    '/' -> "%2F", '\' -> "%5C", '%' -> "%25"
//    (QSettings reads both slashes as level separators, and '%' is the escape);
//  - every byte that is not part of a valid UTF-8 sequence (stray continuation
//    bytes, overlong forms, surrogates, code points above U+10FFFF, cut-off
//    sequences) becomes '%' and two upper-case hex digits;
//  - the empty name becomes a lone "%", which no other name produces.
//
// So "Beach" is stored as "Beach" and "Café" as "Café". QSettings escapes the
// group name once more when it writes the file (blank as %20, 'é' as %E9,
// '%' as %25), which it undoes when reading.
namespace ProfileGroupName {

std::string Encode(std::string_view name);

// The name whose encoding is exactly group, or nothing when group is not the
// encoding of any name (a group this program did not write, such as "a%2fb",
// "50%" or "%41"): such a group is never taken for a profile.
std::optional<std::string> Decode(std::string_view group);

} // namespace ProfileGroupName
