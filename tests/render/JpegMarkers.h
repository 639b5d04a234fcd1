#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The marker segments of a JPEG file from the start of image up to the start
// of scan, read without any JPEG library so that the tests see the file's
// bytes as they are.
struct JpegSegment {
    std::uint8_t marker = 0;           // the byte after 0xFF: 0xE0 for APP0, 0xDB for DQT, ...
    std::vector<std::uint8_t> payload; // without the marker and the length field
};

// Empty when the file does not start with a start-of-image marker or a
// segment runs past the end.
std::vector<JpegSegment> ReadJpegSegments(const std::string& path);

// The 64 values of each quantisation table in the file's zig-zag order,
// indexed by table number.
std::vector<std::vector<int>> QuantisationTables(const std::vector<JpegSegment>& segments);
