#include "ProfileList.h"

#include <algorithm>
#include <cassert>
#include <limits>
#include <stdexcept>
#include <utility>

std::int32_t ProfileList::FindProfile(const std::string& name) const {
    for (std::int32_t i = 0; i < size; ++i) {
        if (data.get()[i].name == name) {
            return i;
        }
    }
    return -1;
}

std::int32_t ProfileList::Add(Profile profile) {
    const std::int32_t index = size;
    SetAtGrow(index, std::move(profile));
    return index;
}

void ProfileList::SetAtGrow(std::int32_t index, Profile profile) {
    if (index < 0) {
        throw std::out_of_range("ProfileList::SetAtGrow: negative index");
    }
    if (index >= size) {
        if (index == std::numeric_limits<std::int32_t>::max()) {
            throw std::length_error("ProfileList: too many profiles");
        }
        SetSize(index + 1);
    }
    data.get()[index] = std::move(profile);
}

/*
 * The capacities this produces are part of the list's contract: adding one at
 * a time gives 1, 5, 9, ... 41, 46, 51, 57; SetSize(N) on an empty list gives
 * exactly N. The step is computed from the number of entries held, not from
 * the capacity.
 */
void ProfileList::SetSize(std::int32_t newSize) {
    if (newSize < 0) {
        throw std::out_of_range("ProfileList::SetSize: negative size");
    }
    if (newSize == 0) {
        data.reset();
        size = 0;
        capacity = 0;
        return;
    }
    if (!data) {
        data = std::make_unique<Profile[]>(static_cast<std::size_t>(newSize));
        size = newSize;
        capacity = newSize;
        return;
    }
    if (newSize <= capacity) {
        // Entries dropped here give their slots back as empty profiles, and
        // slots taken up again are empty already.
        for (std::int32_t i = newSize; i < size; ++i) {
            data.get()[i] = Profile{};
        }
        size = newSize;
        return;
    }
    const std::int64_t step = std::clamp(size / 8, 4, 1024);
    const std::int64_t stepped =
        std::min<std::int64_t>(capacity + step, std::numeric_limits<std::int32_t>::max());
    const auto newCapacity = static_cast<std::int32_t>(newSize < stepped ? stepped : newSize);
    auto grown = std::make_unique<Profile[]>(static_cast<std::size_t>(newCapacity));
    std::move(data.get(), data.get() + size, grown.get());
    data = std::move(grown);
    size = newSize;
    capacity = newCapacity;
}

void ProfileList::RemoveAt(std::int32_t index) {
    if (index < 0 || index >= size) {
        throw std::out_of_range("ProfileList::RemoveAt: no such entry");
    }
    std::move(data.get() + index + 1, data.get() + size, data.get() + index);
    data.get()[size - 1] = Profile{};
    --size;
}

Profile& ProfileList::operator[](std::int32_t index) {
    assert(index >= 0 && index < size);
    return data.get()[index];
}

const Profile& ProfileList::operator[](std::int32_t index) const {
    assert(index >= 0 && index < size);
    return data.get()[index];
}
