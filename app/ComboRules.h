#pragma once

#include <QString>
#include <QStringList>

// The rules of the sorted, editable profile box, worked out on its entry
// texts alone so they can be checked without a widget. Letter case never
// matters to the box: "beach" sorts and matches like "Beach".
namespace ComboRules {

// Where a new entry goes in the order of the default locale: after every
// entry that sorts before it or equal to it, so equal texts are all kept, in
// the order they were added.
int InsertPosition(const QStringList& entries, const QString& text);

// The entry whose whole text equals text, searched from the entry after
// start to the last and then round from the first up to start itself; a
// start outside the list searches from the first entry. -1 when none does.
int FindExact(const QStringList& entries, int start, const QString& text);

// The first entry whose text begins with prefix, or -1.
int FindPrefix(const QStringList& entries, const QString& prefix);

} // namespace ComboRules
