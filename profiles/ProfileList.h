#pragma once

#include "Profile.h"

#include <cstdint>
#include <memory>
#include <string>

// The profiles of one run, in insertion order, never sorted. Grows by the
// rule the stored capacities depend on: a step of size/8, at least 4 and at
// most 1024, or exactly the requested size when that is larger. Growing
// obtains the new block before anything changes, so a failed allocation
// (std::bad_alloc) leaves the list as it was.
class ProfileList {
public:
    std::int32_t Size() const { return size; }
    std::int32_t Capacity() const { return capacity; }

    // Index of the first profile whose name equals name byte for byte, or -1.
    std::int32_t FindProfile(const std::string& name) const;

    // Appends and returns the new entry's index, the old Size().
    std::int32_t Add(Profile profile);
    // Grows to index + 1 entries first when index is past the end.
    void SetAtGrow(std::int32_t index, Profile profile);
    // New entries have an empty name and zeros; SetSize(0) frees the block.
    void SetSize(std::int32_t newSize);
    // Closes the gap, keeping the order of the entries after it.
    void RemoveAt(std::int32_t index);

    Profile& operator[](std::int32_t index);
    const Profile& operator[](std::int32_t index) const;

private:
    // Slots at and above size hold empty profiles, never stale names.
    std::unique_ptr<Profile[]> data;
    std::int32_t size = 0;
    std::int32_t capacity = 0;
};
