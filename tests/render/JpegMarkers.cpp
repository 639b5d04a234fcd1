#include "JpegMarkers.h"

#include <fstream>
#include <iterator>

std::vector<JpegSegment> ReadJpegSegments(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    std::vector<JpegSegment> segments;
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8) {
        return {};
    }
    std::size_t at = 2;
    while (at + 4 <= bytes.size()) {
        if (bytes[at] != 0xFF) {
            return {};
        }
        const std::uint8_t marker = bytes[at + 1];
        const std::size_t length = std::size_t(bytes[at + 2]) << 8 | bytes[at + 3];
        if (length < 2 || at + 2 + length > bytes.size()) {
            return {};
        }
        const auto begin = bytes.begin() + std::ptrdiff_t(at + 4);
        segments.push_back({marker, {begin, begin + std::ptrdiff_t(length - 2)}});
        if (marker == 0xDA) {
            break;
        }
        at += 2 + length;
    }
    return segments;
}

std::vector<std::vector<int>> QuantisationTables(const std::vector<JpegSegment>& segments) {
    std::vector<std::vector<int>> tables;
    for (const JpegSegment& segment : segments) {
        if (segment.marker != 0xDB) {
            continue;
        }
        // A DQT segment may hold several tables, each a precision/number byte
        // and 64 values of 8 or 16 bits.
        std::size_t at = 0;
        while (at < segment.payload.size()) {
            const int precision = segment.payload[at] >> 4;
            const std::size_t number = segment.payload[at] & 0x0F;
            ++at;
            std::vector<int> values;
            const std::size_t width = precision == 0 ? 1 : 2;
            for (int i = 0; i < 64 && at + width <= segment.payload.size(); ++i) {
                if (width == 1) {
                    values.push_back(segment.payload[at++]);
                } else {
                    values.push_back(segment.payload[at] << 8 | segment.payload[at + 1]);
                    at += 2;
                }
            }
            if (tables.size() <= number) {
                tables.resize(number + 1);
            }
            tables[number] = values;
        }
    }
    return tables;
}
