#include "ComboRules.h"

#include <QCollator>

namespace ComboRules {

int InsertPosition(const QStringList& entries, const QString& text) {
    // The order of the person's language (accented letters beside their base
    // letters), with letter case ignored.
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    int position = 0;
    while (position < entries.size() && collator.compare(entries[position], text) <= 0)
        ++position;
    return position;
}

int FindPrefix(const QStringList& entries, const QString& prefix) {
    for (int index = 0; index < entries.size(); ++index) {
        if (entries[index].startsWith(prefix, Qt::CaseInsensitive))
            return index;
    }
    return -1;
}

} // namespace ComboRules
