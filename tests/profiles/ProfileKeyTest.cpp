#include "ProfileKey.h"
#include "SettingsSandbox.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

using ProfileKeyTest = SettingsSandbox;

const QString app = QStringLiteral("quillmere");

} // namespace

// Close is true only for a key that was open; Open on an open key first
// closes it, which writes what went through it, and then reads and writes
// only the new group.
TEST_F(ProfileKeyTest, OpenAndCloseFollowTheHeldKey) {
    ProfileKey key(app.toStdString());
    std::int32_t value = 0;
    EXPECT_FALSE(key.Close());
    EXPECT_FALSE(key.ReadDword(QStringLiteral("v"), value));
    EXPECT_FALSE(key.WriteDword(QStringLiteral("v"), 1));

    ASSERT_TRUE(key.Open(QStringLiteral("Profiles/A")));
    ASSERT_TRUE(key.WriteDword(QStringLiteral("v"), -7));
    EXPECT_TRUE(key.ReadDword(QStringLiteral("v"), value));
    EXPECT_EQ(value, -7);

    ASSERT_TRUE(key.Open(QStringLiteral("Profiles/B")));
    EXPECT_NE(ReadText(StoreFile(app)).find("A\\v=-7"), std::string::npos)
        << ReadText(StoreFile(app));
    EXPECT_FALSE(key.ReadDword(QStringLiteral("v"), value));
    ASSERT_TRUE(key.WriteDword(QStringLiteral("w"), std::uint32_t{9}));
    EXPECT_TRUE(key.Close());
    EXPECT_FALSE(key.Close());
    EXPECT_FALSE(key.WriteDword(QStringLiteral("w"), 1));

    const std::string text = ReadText(StoreFile(app));
    EXPECT_NE(text.find("B\\w=9"), std::string::npos) << text;
    EXPECT_EQ(text.find("B\\v"), std::string::npos) << text;
}

// Sub-keys are the groups one level down, in sorted order; values of the key
// itself are not among them, and the array is emptied first.
TEST_F(ProfileKeyTest, EnumSubKeysListsChildGroups) {
    WriteText(StoreFile(app), "[Profiles]\n"
                              "top=1\n"
                              "b\\x=1\n"
                              "a\\deeper\\x=1\n"
                              "C\\x=1\n");
    ProfileKey key(app.toStdString());
    std::vector<QString> names{QStringLiteral("stale")};
    EXPECT_FALSE(key.EnumSubKeys(names));
    EXPECT_TRUE(names.empty());

    names.push_back(QStringLiteral("stale"));
    ASSERT_TRUE(key.Open(QStringLiteral("Profiles")));
    ASSERT_TRUE(key.EnumSubKeys(names));
    EXPECT_EQ(names, (std::vector<QString>{QStringLiteral("C"), QStringLiteral("a"),
                                           QStringLiteral("b")}));

    ASSERT_TRUE(key.Open(QStringLiteral("Profiles/a")));
    ASSERT_TRUE(key.EnumSubKeys(names));
    EXPECT_EQ(names, std::vector<QString>{QStringLiteral("deeper")});
}

// A value is a 32-bit integer when the file holds decimal digits with an
// optional '-' in the signed or unsigned 32-bit range; either form of
// ReadDword takes its low 32 bits. Anything else fails the read and leaves
// the target alone.
TEST_F(ProfileKeyTest, ReadDwordTakesOnly32BitIntegers) {
    struct Row {
        std::string stored;
        std::optional<std::uint32_t> bits;
    };
    const Row rows[] = {
        {"0", 0u},
        {"1", 1u},
        {"-5", 0xFFFFFFFBu},
        {"4294967291", 0xFFFFFFFBu},
        {"-1", 0xFFFFFFFFu},
        {"4294967295", 0xFFFFFFFFu},
        {"-2147483648", 0x80000000u},
        {"2147483648", 0x80000000u},
        {"2147483647", 0x7FFFFFFFu},
        {"007", 7u},
        {" 12 ", 12u}, // QSettings itself trims blanks around a value
        {"\"13\"", 13u},
        {"@Variant(\\0\\0\\0\\x2\\0\\0\\0\\xe)", 14u}, // QSettings' own int
        {"4294967296", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"+5", std::nullopt},
        {"0x10", std::nullopt},
        {"5.0", std::nullopt},
        {"1e3", std::nullopt},
        {"\" 5\"", std::nullopt},
        {"", std::nullopt},
        {"blue", std::nullopt},
        {"-", std::nullopt},
        {"1, 2", std::nullopt},
        {"@ByteArray(5)", std::nullopt},
        {"@Invalid()", std::nullopt},
        {"true", std::nullopt},
    };
    std::string text = "[Profiles]\n";
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        text += "p\\v" + std::to_string(i) + "=" + rows[i].stored + "\n";
    }
    WriteText(StoreFile(app), text);

    ProfileKey key(app.toStdString());
    ASSERT_TRUE(key.Open(QStringLiteral("Profiles/p")));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const QString name = QStringLiteral("v") + QString::number(i);
        std::uint32_t asUnsigned = 0xABCDEF01u;
        std::int32_t asSigned = 42;
        EXPECT_EQ(key.ReadDword(name, asUnsigned), rows[i].bits.has_value()) << rows[i].stored;
        EXPECT_EQ(key.ReadDword(name, asSigned), rows[i].bits.has_value()) << rows[i].stored;
        EXPECT_EQ(asUnsigned, rows[i].bits.value_or(0xABCDEF01u)) << rows[i].stored;
        EXPECT_EQ(asSigned, static_cast<std::int32_t>(rows[i].bits.value_or(42u)))
            << rows[i].stored;
    }
    std::uint32_t untouched = 3;
    EXPECT_FALSE(key.ReadDword(QStringLiteral("missing"), untouched));
    EXPECT_EQ(untouched, 3u);
}
