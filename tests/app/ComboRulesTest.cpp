#include "ComboRules.h"

#include "QtPrinters.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

QStringList Inserted(const QStringList& sequence) {
    QStringList entries;
    for (const QString& text : sequence)
        entries.insert(ComboRules::InsertPosition(entries, text), text);
    return entries;
}

// Entries are sorted without regard to case; equal texts are all kept, the
// later one after the earlier.
TEST(AppComboRules, InsertKeepsCaseInsensitiveOrderAndEqualTexts) {
    const struct {
        QStringList sequence;
        QStringList sorted;
    } cases[] = {
        {{}, {}},
        {{"Night", "beach", "Alpha"}, {"Alpha", "beach", "Night"}},
        {{"Beach", "beach"}, {"Beach", "beach"}},
        {{"beach", "Beach"}, {"beach", "Beach"}},
        {{"Beach", "Beach"}, {"Beach", "Beach"}},
        {{"b", "", "a", ""}, {"", "", "a", "b"}},
        {{"zeta", "Zeta2", "ZETA"}, {"zeta", "ZETA", "Zeta2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sequence.join(","));
        EXPECT_EQ(Inserted(c.sequence), c.sorted);
    }
}

// Accented letters sort beside their base letters in the person's language.
TEST(AppComboRules, InsertFollowsTheLanguageOrder) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    EXPECT_EQ(Inserted({"Zoo", "Été", "eta", "été", "ezra"}),
              (QStringList{"eta", "Été", "été", "ezra", "Zoo"}));
    QLocale::setDefault(before);
}

// From a start index the search runs over the entries after it, then wraps
// round to the first entry and on up to the start itself.
TEST(AppComboRules, FindExactSearchesAfterTheStartAndWrapsRound) {
    const struct {
        QStringList entries;
        int start;
        QString text;
        int found;
    } cases[] = {
        {{"Beach", "beach", "Night"}, 0, "beach", 1},
        {{"beach", "Beach", "Night"}, 0, "beach", 1}, // Beach's entry is found first
        {{"Beach", "Night"}, 0, "BEACH", 0},          // the first entry is searched last
        {{"Alpha", "Beach", "Night"}, 0, "night", 2},
        {{"Alpha", "Beach", "Night"}, 1, "alpha", 0},
        {{"Alpha", "Beach", "Night"}, 2, "beach", 1},
        {{"Alpha", "Beach", "Night"}, -1, "alpha", 0},
        {{"Alpha", "Beach", "Night"}, 7, "alpha", 0},
        {{"Alpha", "Beach", "Night"}, 0, "Bea", -1}, // whole texts only
        {{"Alpha", "Beach", "Night"}, 0, "Beach ", -1},
        {{"Only"}, 0, "only", 0},
        {{}, 0, "x", -1},
        {{"", "a"}, 0, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.entries.join(",") + " from " + QString::number(c.start) + " " + c.text)
                         .toStdString());
        EXPECT_EQ(ComboRules::FindExact(c.entries, c.start, c.text), c.found);
    }
}

// The exchange into the box selects the first entry that begins with the name.
TEST(AppComboRules, FindPrefixTakesTheFirstEntryThatBeginsWithTheName) {
    const QStringList entries{"Be", "Beach", "beach2", "Night"};
    const struct {
        QString prefix;
        int found;
    } cases[] = {
        {"beach", 1}, {"BEACH2", 2}, {"b", 0}, {"", 0}, {"nig", 3}, {"Beaches", -1}, {"z", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.prefix.toStdString());
        EXPECT_EQ(ComboRules::FindPrefix(entries, c.prefix), c.found);
    }
    EXPECT_EQ(ComboRules::FindPrefix({}, ""), -1);
}

} // namespace
