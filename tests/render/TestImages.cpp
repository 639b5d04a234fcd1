#include "TestImages.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillmere-render-XXXXXX");
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    path = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::vector<std::string> TempFolder::Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
        names.push_back(entry.path().filename());
    }
    std::sort(names.begin(), names.end());
    return names;
}

vips::VImage Solid(int width, int height, const Rgb& colour) {
    return vips::VImage::black(width, height)
        .new_from_image(colour)
        .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

vips::VImage SplitColumns(int width, int height, int splitX, const Rgb& left, const Rgb& right) {
    return Solid(width, height, right).insert(Solid(splitX, height, left), 0, 0);
}

vips::VImage SplitRows(int width, int height, int splitY, const Rgb& top, const Rgb& bottom) {
    return Solid(width, height, bottom).insert(Solid(width, splitY, top), 0, 0);
}

vips::VImage Decode(const std::string& path) {
    return vips::VImage::new_from_file(path.c_str()).copy_memory();
}

Rgb PixelAt(const vips::VImage& image, int x, int y) {
    return image.getpoint(x, y);
}

bool Near(const Rgb& actual, const Rgb& expected, double tolerance) {
    if (actual.size() != expected.size()) {
        return false;
    }
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (std::abs(actual[i] - expected[i]) > tolerance) {
            return false;
        }
    }
    return true;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}
