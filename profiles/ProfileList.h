#pragma once

#include "Profile.h"

#include <cstdint>
#include <memory>
#include <string>

// The profiles of one run, in insertion order, never sorted. Grows by the
// rule the stored capacities depend on: a step of size/8, at least 4 and at
// most 1024, or exactly the requested size when that is larger.
class ProfileList {
public:
    std::int32_t Size() const { return size; }
    std::int32_t Capacity() const { return capacity; }

    // Index of the first profile whose name equals name byte for byte, or -1.
    std::int32_t FindProfile(const std::string& name) const;

    std::int32_t Add(Profile profile);
    void SetAtGrow(std::int32_t index, Profile profile);
    void SetSize(std::int32_t newSize);
    void RemoveAt(std::int32_t index);

    Profile& operator[](std::int32_t index);
    const Profile& operator[](std::int32_t index) const;

private:
    std::unique_ptr<Profile[]> data;
    std::int32_t size = 0;
    std::int32_t capacity = 0;
    std::int32_t growBy = 0;
};
