#include "Printable.h"

#include <cstdio>

std::string Printable(std::string_view text, LineFeeds lineFeeds) {
    std::string printable;
    printable.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 0x20 && byte != 0x7F) || (c == '\n' && lineFeeds == LineFeeds::keep)) {
            printable += c;
            continue;
        }
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", unsigned{byte});
        printable += escaped;
    }
    return printable;
}
