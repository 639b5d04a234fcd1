#include "HandoverMessage.h"

#include <cstdint>

namespace {

constexpr std::string_view magic = "QMRH";

void AppendSize(std::string& out, std::size_t size) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((size >> shift) & 0xFF));
}

std::size_t SizeAt(std::string_view bytes) {
    std::size_t size = 0;
    for (std::size_t index = 0; index < 4; ++index)
        size = (size << 8) | static_cast<std::uint8_t>(bytes[index]);
    return size;
}

} // namespace

std::string EncodeHandover(const std::vector<DroppedItem>& items) {
    std::string body;
    for (const DroppedItem& item : items) {
        body.push_back(item.isLocalFile ? 1 : 0);
        AppendSize(body, item.path.size());
        body += item.path;
    }
    std::string message(magic);
    AppendSize(message, body.size());
    return message + body;
}

std::optional<std::size_t> HandoverBodySize(std::string_view header) {
    if (header.size() < handoverHeaderSize || !header.starts_with(magic))
        return std::nullopt;
    const std::size_t size = SizeAt(header.substr(magic.size()));
    if (size > largestHandoverBody)
        return std::nullopt;
    return size;
}

std::optional<std::vector<DroppedItem>> DecodeHandover(std::string_view message) {
    const auto bodySize = HandoverBodySize(message);
    if (!bodySize || message.size() != handoverHeaderSize + *bodySize)
        return std::nullopt;
    std::vector<DroppedItem> items;
    std::string_view rest = message.substr(handoverHeaderSize);
    while (!rest.empty()) {
        if (rest.size() < 5 || static_cast<std::uint8_t>(rest[0]) > 1)
            return std::nullopt;
        const bool local = rest[0] == 1;
        const std::size_t size = SizeAt(rest.substr(1));
        rest.remove_prefix(5);
        if (size == 0 || size > rest.size())
            return std::nullopt;
        const std::string_view path = rest.substr(0, size);
        if (path.find('\0') != path.npos || (local && path[0] != '/'))
            return std::nullopt;
        items.push_back({std::string(path), local});
        rest.remove_prefix(size);
    }
    return items;
}
