#pragma once

#include "DropBatch.h"

#include <QString>

class QUrl;

// The item that one dropped address stands for. A "file" address whose host
// is empty, "localhost" or thisHost (any letter case) is a file here, under
// the bytes that its path's percent-encoding spells, UTF-8 or not: file
// managers encode each byte of a name that is no UTF-8 on its own. Anything
// else, a path holding a zero byte included, keeps its text to be reported.
DroppedItem DroppedItemOf(const QUrl& url, const QString& thisHost);
