#include "ColorNames.h"

#include <QColor>
#include <QString>

#include <gtest/gtest.h>

#include <string>

// The command line knows exactly the colour names Qt's colour dialog knows,
// with the same values, without linking the GUI library into the program.
TEST(CliColorNames, MatchTheToolkitsNamedColours) {
    for (const NamedColor& named : ColorNames()) {
        SCOPED_TRACE(std::string(named.name));
        const QColor qt = QColor::fromString(
            QString::fromLatin1(named.name.data(), static_cast<qsizetype>(named.name.size())));
        if (named.name == "rebeccapurple" && !qt.isValid())
            continue; // a later CSS addition this Qt may not know
        ASSERT_TRUE(qt.isValid());
        EXPECT_EQ(named.rgb, qt.rgb() & 0xFFFFFFu);
    }
    int known = 0;
    for (const QString& name : QColor::colorNames()) {
        if (name == "transparent")
            continue;
        SCOPED_TRACE(name.toStdString());
        const auto parsed = ParseColor(name.toStdString());
        ASSERT_TRUE(parsed.has_value());
        const QRgb rgb = QColor::fromString(name).rgb();
        EXPECT_EQ(*parsed,
                  static_cast<std::uint32_t>(qRed(rgb) | qGreen(rgb) << 8 | qBlue(rgb) << 16));
        ++known;
    }
    EXPECT_GE(known, 147);
}

// Hex forms and names come out as 0x00BBGGRR, red in the lowest byte.
TEST(CliColorNames, ParsesHexAndNamesIntoFrameLayout) {
    struct Row {
        std::string text;
        std::optional<std::uint32_t> expected;
    };
    const Row rows[] = {
        {"#0000c8", 0x00C80000u},   {"#0000C8", 0x00C80000u},    {"#ff0000", 0x000000FFu},
        {"#00ff00", 0x0000FF00u},   {"#123456", 0x00563412u},    {"#fff", 0x00FFFFFFu},
        {"#a1c", 0x00CC11AAu},      {"red", 0x000000FFu},        {"Navy", 0x00800000u},
        {"STEELBLUE", 0x00B48246u}, {"light gray", 0x00D3D3D3u}, {"black", 0x00000000u},
        {"", std::nullopt},         {"#", std::nullopt},         {"#12345", std::nullopt},
        {"#1234567", std::nullopt}, {"#ff00ff00", std::nullopt}, {"#gg0000", std::nullopt},
        {"0000c8", std::nullopt},   {"nosuch", std::nullopt},    {"transparent", std::nullopt},
        {"re d#", std::nullopt},    {"#-12345", std::nullopt},   {"#+ff", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("\"" + row.text + "\"");
        EXPECT_EQ(ParseColor(row.text), row.expected);
    }
}
