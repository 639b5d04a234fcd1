#pragma once

#include <cstdint>
#include <string>

// A named copy of the four frame settings. A new profile has an empty name
// and zeros; it gets the dialog's values only by being saved from the dialog.
struct Profile {
    std::string name;
    std::int32_t doPadding = 0;
    std::uint32_t paddingColor = 0; // 0x00BBGGRR
    std::int32_t frameWidth = 0;
    std::int32_t frameHeight = 0;

    bool operator==(const Profile&) const = default;
};
