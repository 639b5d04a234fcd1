#include "IntegerText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace {

// A field holds an integer when it is an optional sign and decimal digits
// whose value fits in 32 bits; zero and negative values count as they stand.
TEST(AppIntegerText, SignAndDigitsWithin32BitsAreIntegers) {
    const struct {
        std::string text;
        std::int32_t value;
    } cases[] = {
        {"800", 800},
        {"0", 0},
        {"-5", -5},
        {"+7", 7},
        {"-0", 0},
        {"000600", 600},
        {"2147483647", std::numeric_limits<std::int32_t>::max()},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"00000000000000000000042", 42},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseInteger(c.text), std::optional<std::int32_t>(c.value));
    }
}

TEST(AppIntegerText, EverythingElseIsNoInteger) {
    const std::string cases[] = {
        "",
        "+",
        "-",
        "12a",
        "a12",
        " 12",
        "12 ",
        "1 2",
        "1.5",
        "1e3",
        "0x10",
        "--1",
        "+-1",
        "2147483648",
        "-2147483649",
        "4294967296",
        "99999999999999999999999",
        "\xd9\xa1\xd9\xa2", // Arabic-Indic digits
        std::string("12\0", 3),
    };
    for (const auto& text : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ParseInteger(text), std::nullopt);
    }
}

} // namespace
