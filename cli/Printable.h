#pragma once

#include <string>
#include <string_view>

// Text for the terminal with the control characters of file names written as
// \xHH, so that a name cannot move the cursor, change colours or pass for a
// line of its own. Messages keep the line feeds of their own layout.
enum class LineFeeds { keep, escape };
std::string Printable(std::string_view text, LineFeeds lineFeeds);
