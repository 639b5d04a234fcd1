#include "ColorOption.h"

#include "ColorRef.h"

#include <QColor>

#include <algorithm>
#include <cctype>

namespace {

bool IsHexColor(std::string_view digits) {
    return (digits.size() == 3 || digits.size() == 6) &&
           std::all_of(digits.begin(), digits.end(),
                       [](unsigned char c) { return std::isxdigit(c) != 0; });
}

} // namespace

std::optional<std::uint32_t> ParseColor(std::string_view text) {
    // The toolkit also reads #AARRGGBB, 12-bit and 16-bit forms and
    // "transparent", none of which is a padding colour.
    if (text.starts_with('#') ? !IsHexColor(text.substr(1)) : text.empty())
        return std::nullopt;
    const QColor color = QColor::fromString(QLatin1String(text.data(), qsizetype(text.size())));
    if (!color.isValid() || color.alpha() != 255)
        return std::nullopt;
    return RefFromRgb({static_cast<std::uint8_t>(color.red()),
                       static_cast<std::uint8_t>(color.green()),
                       static_cast<std::uint8_t>(color.blue())});
}
