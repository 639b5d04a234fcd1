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

int FindExact(const QStringList& entries, int start, const QString& text) {
    const int count = static_cast<int>(entries.size());
    if (start < 0 || start >= count)
        start = count - 1; // so the search begins at the first entry
    for (int step = 1; step <= count; ++step) {
        const int index = (start + step) % count;
        if (QString::compare(entries[index], text, Qt::CaseInsensitive) == 0)
            return index;
    }
    return -1;
}

int FindPrefix(const QStringList& entries, const QString& prefix) {
    for (int index = 0; index < entries.size(); ++index) {
        if (entries[index].startsWith(prefix, Qt::CaseInsensitive))
            return index;
    }
    return -1;
}

} // namespace ComboRules
