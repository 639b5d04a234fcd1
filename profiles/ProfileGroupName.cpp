#include "ProfileGroupName.h"

#include <cstddef>

namespace {

constexpr char hexDigits[] = "0123456789ABCDEF";

unsigned char ByteAt(std::string_view text, std::size_t i) {
    return static_cast<unsigned char>(text[i]);
}

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

/*
 * Length of the well-formed UTF-8 sequence that starts at text[i], or 0 when
 * the byte there does not start one. Follows the table of well-formed byte
 * sequences of Unicode (chapter 3): the second byte's range depends on the
 * first, which excludes overlong forms, surrogates and code points past
 * U+10FFFF.
 */
std::size_t SequenceLength(std::string_view text, std::size_t i) {
    const unsigned char lead = ByteAt(text, i);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) {
            secondLow = 0xA0;
        } else if (lead == 0xED) {
            secondHigh = 0x9F;
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) {
            secondLow = 0x90;
        } else if (lead == 0xF4) {
            secondHigh = 0x8F;
        }
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    const unsigned char second = ByteAt(text, i + 1);
    if (second < secondLow || second > secondHigh) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (!IsContinuation(ByteAt(text, i + k))) {
            return 0;
        }
    }
    return length;
}

void AppendEscaped(std::string& out, unsigned char byte) {
    out += '%';
    out += hexDigits[byte >> 4];
    out += hexDigits[byte & 0x0F];
}

int HexValue(char digit) {
    if (digit >= '0' && digit <= '9') {
        return digit - '0';
    }
    if (digit >= 'A' && digit <= 'F') {
        return digit - 'A' + 10;
    }
    return -1;
}

} // namespace

std::string ProfileGroupName::Encode(std::string_view name) {
    if (name.empty()) {
        return "%";
    }
    std::string group;
    group.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t length = SequenceLength(name, i);
        const unsigned char byte = ByteAt(name, i);
        if (length == 0 || byte == '/' || byte == '\\' || byte == '%') {
            AppendEscaped(group, byte);
            ++i;
        } else {
            group.append(name, i, length);
            i += length;
        }
    }
    return group;
}

std::optional<std::string> ProfileGroupName::Decode(std::string_view group) {
    if (group == "%") {
        return std::string();
    }
    std::string name;
    name.reserve(group.size());
    for (std::size_t i = 0; i < group.size(); ++i) {
        if (group[i] != '%') {
            name += group[i];
            continue;
        }
        if (i + 2 >= group.size()) {
            return std::nullopt;
        }
        const int high = HexValue(group[i + 1]);
        const int low = HexValue(group[i + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        name += static_cast<char>(high * 16 + low);
        i += 2;
    }
    // Only the one spelling Encode gives is accepted, so that two groups can
    // never load as the same name, and a group that is loaded is written back
    // to the same place.
    if (Encode(name) != group) {
        return std::nullopt;
    }
    return name;
}
