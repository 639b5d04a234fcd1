#include "ProfileList.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Set by a test to make the next array allocation fail, as memory running out
// while the list grows would.
bool failNextArrayAllocation = false;

Profile Named(std::string name, std::int32_t width = 0) {
    Profile profile;
    profile.name = std::move(name);
    profile.frameWidth = width;
    return profile;
}

ProfileList ListOf(const std::vector<std::string>& names) {
    ProfileList list;
    for (const std::string& name : names) {
        list.Add(Named(name));
    }
    return list;
}

std::vector<std::string> NamesOf(const ProfileList& list) {
    std::vector<std::string> names;
    for (std::int32_t i = 0; i < list.Size(); ++i) {
        names.push_back(list[i].name);
    }
    return names;
}

} // namespace

void* operator new[](std::size_t size) {
    if (failNextArrayAllocation) {
        failNextArrayAllocation = false;
        throw std::bad_alloc();
    }
    return ::operator new(size);
}

// Paired with the replacement above, which takes its memory from operator new.
void operator delete[](void* block) noexcept {
    ::operator delete(block);
}

void operator delete[](void* block, std::size_t) noexcept {
    ::operator delete(block);
}

// Adding one at a time allocates one slot, then grows by size/8 limited to
// 4..1024: 1, 5, 9, ... 41, then 46, 51, 57. Entries keep their order and
// values across every growth.
TEST(ProfileList, AddGrowsByTheStepRule) {
    const std::vector<std::int32_t> capacities = {1,  5,  9,  13, 17, 21, 25, 29,
                                                  33, 37, 41, 46, 51, 57, 64};
    ProfileList list;
    std::size_t expected = 0;
    for (std::int32_t n = 1; n <= 64; ++n) {
        ASSERT_EQ(list.Add(Named("p" + std::to_string(n), -n)), n - 1);
        if (n > capacities[expected]) {
            ++expected;
        }
        ASSERT_EQ(list.Capacity(), capacities[expected]) << "after adding " << n;
        ASSERT_EQ(list.Size(), n);
    }
    for (std::int32_t i = 0; i < 64; ++i) {
        EXPECT_EQ(list[i].name, "p" + std::to_string(i + 1));
        EXPECT_EQ(list[i].frameWidth, -(i + 1));
    }
}

// SetSize(N) on an empty list, as loading does, gives exactly N new entries
// and N slots; the first Add after it steps by N/8 limited to 4..1024.
TEST(ProfileList, SetSizeOnEmptyGivesExactCapacity) {
    struct Row {
        std::int32_t loaded;
        std::int32_t capacityAfterAdd;
    };
    const Row rows[] = {{1, 5}, {3, 7}, {8, 12}, {40, 45}, {41, 46}, {100, 112}, {9000, 10024}};
    for (const Row& row : rows) {
        ProfileList list;
        list.SetSize(row.loaded);
        EXPECT_EQ(list.Size(), row.loaded);
        EXPECT_EQ(list.Capacity(), row.loaded);
        for (std::int32_t i = 0; i < row.loaded; ++i) {
            ASSERT_EQ(list[i], Profile{}) << "entry " << i << " of " << row.loaded;
        }
        EXPECT_EQ(list.Add(Named("new")), row.loaded);
        EXPECT_EQ(list.Capacity(), row.capacityAfterAdd) << "after loading " << row.loaded;
    }
}

// Resizing within the block neither moves nor shrinks it, and slots taken up
// again are new entries, not the ones dropped earlier. The growth step counts
// entries held, not slots. Only SetSize(0) frees the block, after which one
// Add allocates exactly one slot.
TEST(ProfileList, SetSizeKeepsOrFreesTheBlock) {
    ProfileList list = ListOf({"a", "b", "c", "d", "e", "f"});
    ASSERT_EQ(list.Capacity(), 9);

    list.SetSize(2);
    EXPECT_EQ(list.Size(), 2);
    EXPECT_EQ(list.Capacity(), 9);
    EXPECT_EQ(NamesOf(list), (std::vector<std::string>{"a", "b"}));

    list.SetSize(4);
    EXPECT_EQ(list.Capacity(), 9);
    EXPECT_EQ(list[2], Profile{});
    EXPECT_EQ(list[3], Profile{});

    list.SetAtGrow(12, Named("far", 7));
    EXPECT_EQ(list.Size(), 13);
    EXPECT_EQ(list.Capacity(), 13);
    EXPECT_EQ(list[12], Named("far", 7));
    EXPECT_EQ(list[11], Profile{});
    EXPECT_EQ(list[1].name, "b");

    list.SetSize(57);
    ASSERT_EQ(list.Capacity(), 57);
    list.SetSize(2);
    list.Add(Named("third"));
    EXPECT_EQ(list.Capacity(), 57);
    list.SetSize(58);
    EXPECT_EQ(list.Capacity(), 61);
    EXPECT_EQ(NamesOf(list).at(2), "third");

    list.SetSize(0);
    EXPECT_EQ(list.Size(), 0);
    EXPECT_EQ(list.Capacity(), 0);
    EXPECT_EQ(list.Add(Named("again")), 0);
    EXPECT_EQ(list.Capacity(), 1);
    EXPECT_EQ(list[0].name, "again");
}

// A removal closes the gap without reordering and keeps the capacity; the
// slot it frees is reused empty by the next Add.
TEST(ProfileList, RemoveAtKeepsOrder) {
    struct Row {
        std::int32_t index;
        std::vector<std::string> left;
    };
    const Row rows[] = {{0, {"b", "c"}}, {1, {"a", "c"}}, {2, {"a", "b"}}};
    for (const Row& row : rows) {
        ProfileList list = ListOf({"a", "b", "c"});
        const std::int32_t capacity = list.Capacity();
        list.RemoveAt(row.index);
        EXPECT_EQ(NamesOf(list), row.left) << "removing " << row.index;
        EXPECT_EQ(list.Capacity(), capacity);
        list.SetSize(3);
        EXPECT_EQ(list[2], Profile{}) << "removing " << row.index;
    }

    ProfileList single = ListOf({"only"});
    single.RemoveAt(0);
    EXPECT_EQ(single.Size(), 0);
    EXPECT_EQ(single.Capacity(), 1);
    EXPECT_EQ(single.FindProfile("only"), -1);
}

// Lookup is by the whole name, byte for byte: letter case, blanks and the
// empty name all count, and the first of equal names wins.
TEST(ProfileList, FindProfileIsExact) {
    const ProfileList list = ListOf({"a", "A", "", "a ", "Caf\xC3\xA9", "a", "Caf\xE9"});
    struct Row {
        std::string name;
        std::int32_t index;
    };
    const Row rows[] = {
        {"a", 0},
        {"A", 1},
        {"", 2},
        {"a ", 3},
        {"Caf\xC3\xA9", 4},
        {"Caf\xE9", 6},
        {"b", -1},
        {" a", -1},
        {"CAF\xC3\x89", -1},
        {"Caf", -1},
        {std::string("a\0", 2), -1},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(list.FindProfile(row.name), row.index) << '"' << row.name << '"';
    }
    EXPECT_EQ(ProfileList().FindProfile(""), -1);
    EXPECT_EQ(ProfileList().FindProfile("a"), -1);
}

// Bad indices and sizes are refused, and a failed allocation while growing
// leaves every entry and count as it was.
TEST(ProfileList, FailuresLeaveTheListUnchanged) {
    ProfileList list = ListOf({"a", "b", "c", "d", "e"});
    ASSERT_EQ(list.Capacity(), 5);
    const auto expectUnchanged = [&](const char* what) {
        EXPECT_EQ(NamesOf(list), (std::vector<std::string>{"a", "b", "c", "d", "e"})) << what;
        EXPECT_EQ(list.Size(), 5) << what;
        EXPECT_EQ(list.Capacity(), 5) << what;
    };

    failNextArrayAllocation = true;
    EXPECT_THROW(list.Add(Named("f")), std::bad_alloc);
    expectUnchanged("after a failed Add");
    failNextArrayAllocation = true;
    EXPECT_THROW(list.SetSize(100), std::bad_alloc);
    expectUnchanged("after a failed SetSize");

    EXPECT_THROW(list.RemoveAt(5), std::out_of_range);
    EXPECT_THROW(list.RemoveAt(-1), std::out_of_range);
    EXPECT_THROW(list.SetSize(-1), std::out_of_range);
    EXPECT_THROW(list.SetAtGrow(-1, Named("x")), std::out_of_range);
    expectUnchanged("after refused calls");
}
