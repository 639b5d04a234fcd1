#include "ProfileGroupName.h"

#include <gtest/gtest.h>

#include <QString>

#include <random>
#include <string>

// Plain names stay as they are; the two slashes, '%', bytes that are not
// UTF-8 and the empty name are escaped so that each name is one group level.
TEST(ProfileGroupName, EncodesOnlyWhatQSettingsCannotHold) {
    struct Row {
        std::string name;
        std::string group;
    };
    const Row rows[] = {
        {"Beach", "Beach"},
        {"beach", "beach"},
        {"", "%"},
        {" ", " "},
        {" Beach Day ", " Beach Day "},
        {"a/b", "a%2Fb"},
        {"a\\b", "a%5Cb"},
        {"//", "%2F%2F"},
        {"50%", "50%25"},
        {"%2F", "%252F"},
        {"x;y=z[w]#q\"'@,", "x;y=z[w]#q\"'@,"},
        {"Caf\xC3\xA9", "Caf\xC3\xA9"},                           // UTF-8 é
        {"\xE6\x97\xA5\xE6\x9C\xAC", "\xE6\x97\xA5\xE6\x9C\xAC"}, // 日本
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},                 // emoji, four bytes
        {"Caf\xE9", "Caf%E9"},                                    // Latin-1 é
        {"\xC3", "%C3"},                                          // cut-off sequence
        {"\xE2\x82"
         "x",
         "%E2%82x"},                          // cut-off in the middle
        {"\xC0\xAF", "%C0%AF"},               // overlong '/'
        {"\xE0\x80\xAF", "%E0%80%AF"},        // overlong '/', three bytes
        {"\xED\xA0\x80", "%ED%A0%80"},        // a surrogate
        {"\xF4\x90\x80\x80", "%F4%90%80%80"}, // past U+10FFFF
        {"\x80\xBF\xFE\xFF", "%80%BF%FE%FF"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
        {"tab\there\nnext", "tab\there\nnext"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ProfileGroupName::Encode(row.name), row.group) << '"' << row.name << '"';
        EXPECT_EQ(ProfileGroupName::Decode(row.group), row.name) << '"' << row.group << '"';
    }
}

// A group is a profile only when it is exactly what Encode writes for some
// name; anything else (spelled another way, or broken) is no name at all.
TEST(ProfileGroupName, DecodesOnlyItsOwnSpelling) {
    const std::string groups[] = {
        "",       "a%2fb", "%41",  "%2",     "50%", "%zz",  "%%",        "%25%",
        "%C3%A9", "a/b",   "a\\b", "Caf%e9", "%20", "\xE9", "\xC3\xA9%",
    };
    for (const std::string& group : groups) {
        EXPECT_FALSE(ProfileGroupName::Decode(group).has_value()) << '"' << group << '"';
    }
}

// Any byte string at all comes back from its group name unchanged, and the
// group name is always well-formed UTF-8 without separators, so QString and
// QSettings keep it as one level.
TEST(ProfileGroupName, EveryByteStringRoundTrips) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> length(0, 12);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int n = 0; n < 20000; ++n) {
        std::string name;
        for (int i = length(random); i > 0; --i) {
            name += static_cast<char>(byte(random));
        }
        const std::string group = ProfileGroupName::Encode(name);
        ASSERT_FALSE(group.empty());
        ASSERT_EQ(group.find_first_of("/\\"), std::string::npos) << group;
        ASSERT_EQ(
            QString::fromUtf8(group.data(), static_cast<qsizetype>(group.size())).toStdString(),
            group);
        ASSERT_EQ(ProfileGroupName::Decode(group), name);
    }
}
