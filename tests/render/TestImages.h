#pragma once

#include <vips/vips8>

#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path; }
    std::string File(const std::string& name) const { return path + "/" + name; }
    // The names of the entries in the folder, sorted.
    std::vector<std::string> Entries() const;

private:
    std::string path;
};

using Rgb = std::vector<double>;

// An 8-bit sRGB picture of one colour.
vips::VImage Solid(int width, int height, const Rgb& colour);

// Left part in one colour, the rest in another, split at column splitX.
vips::VImage SplitColumns(int width, int height, int splitX, const Rgb& left, const Rgb& right);

// Top part in one colour, the rest in another, split at row splitY.
vips::VImage SplitRows(int width, int height, int splitY, const Rgb& top, const Rgb& bottom);

// The decoded pixels of a picture file, read whole.
vips::VImage Decode(const std::string& path);

Rgb PixelAt(const vips::VImage& image, int x, int y);

// Whether each band lies within tolerance of the expected colour.
bool Near(const Rgb& actual, const Rgb& expected, double tolerance);

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
