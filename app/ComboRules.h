#pragma once

#include <QString>
#include <QStringList>

// The rules of the sorted, editable profile box, worked out on its entry
// texts alone so they can be checked without a widget. Letter case does not
// matter to these rules: "beach" sorts and matches like "Beach".
namespace ComboRules {

// Where a new entry goes in the order of the default locale: after every
// entry that sorts before it or equal to it, so equal texts are all kept, in
// the order they were added.
int InsertPosition(const QStringList& entries, const QString& text);

// The first entry whose text begins with prefix, or -1.
int FindPrefix(const QStringList& entries, const QString& prefix);

} // namespace ComboRules
