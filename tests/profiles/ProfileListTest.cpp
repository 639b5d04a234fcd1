#include "ProfileList.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace {

// One profile per letter of names, each added at the end.
ProfileList ListOf(const std::string& names) {
    ProfileList list;
    std::int32_t next = 0;
    for (const char name : names) {
        EXPECT_EQ(list.Add({std::string(1, name)}), next++);
    }
    return list;
}

// The names of the entries, '.' standing for an empty profile.
std::string NamesOf(const ProfileList& list) {
    std::string names;
    for (std::int32_t i = 0; i < list.Size(); ++i) {
        names += list[i] == Profile{} ? "." : list[i].name;
    }
    return names;
}

} // namespace

// Adding one at a time allocates one slot, then steps by size/8 limited to 4..1024 (or to the
// size asked for, when larger); entries keep their order across growth and removal, and slots
// taken up again are empty.
TEST(ProfileList, GrowsAndRemovesByTheRules) {
    // Start from a list, remove one entry (-1: none), then SetSize to each size (-1: Add "+").
    const std::tuple<std::string, std::int32_t, std::vector<std::int32_t>, std::int32_t,
                     std::string>
        rows[] = {
            {"", -1, {-1}, 1, "+"},
            {"", -1, {1, -1}, 5, ".+"},
            {"", -1, {56, -1}, 63, std::string(56, '.') + "+"},
            {"", -1, {9000, -1}, 10024, std::string(9000, '.') + "+"},
            {"abcdef", -1, {2, 4}, 9, "ab.."},
            {"abcdef", -1, {0, -1}, 1, "+"},
            {"ab", -1, {57, 2, -1, 58}, 61, "ab+" + std::string(55, '.')},
            {"abc", 0, {3}, 5, "bc."},
            {"abc", 2, {3, -1}, 5, "ab.+"},
        };
    for (const auto& [start, removed, sizes, capacity, left] : rows) {
        ProfileList list = ListOf(start);
        if (removed >= 0) {
            list.RemoveAt(removed);
        }
        for (const std::int32_t size : sizes) {
            size < 0 ? static_cast<void>(list.Add({"+"})) : list.SetSize(size);
        }
        EXPECT_EQ(NamesOf(list), left) << start << " less " << removed;
        EXPECT_EQ(list.Capacity(), capacity) << start << " less " << removed;
    }
}

// Lookup is byte for byte and finds the first of equal names; slots past the end do not count.
// Refused calls leave the list as it was.
TEST(ProfileList, FindsExactNamesAndRefusesBadIndices) {
    ProfileList list = ListOf("aA");
    EXPECT_EQ(list.FindProfile(""), -1);
    list.SetAtGrow(3, {"a"});
    const std::pair<std::string, std::int32_t> rows[] = {
        {"a", 0}, {"A", 1}, {"", 2}, {"b", -1}, {"aA", -1}, {std::string(1, '\0'), -1}};
    for (const auto& [name, index] : rows) {
        EXPECT_EQ(list.FindProfile(name), index) << '"' << name << '"';
    }

    EXPECT_THROW(list.RemoveAt(4), std::out_of_range);
    EXPECT_THROW(list.RemoveAt(-1), std::out_of_range);
    EXPECT_THROW(list.SetSize(-1), std::out_of_range);
    EXPECT_THROW(list.SetAtGrow(-1, {"x"}), std::out_of_range);
    EXPECT_EQ(NamesOf(list), "aA.a");
    EXPECT_EQ(list.Capacity(), 5);
}
