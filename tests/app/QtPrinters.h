#pragma once

#include <QString>

#include <ostream>

// Lets GoogleTest show Qt strings in failure messages and traces.
inline std::ostream& operator<<(std::ostream& out, const QString& text) {
    return out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << text;
}
