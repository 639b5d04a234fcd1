// The benchmark's yardstick: fits pictures into a frame with libvips alone, in
// the fastest way libvips offers, so that quillmere-cli's own overhead shows.
//
//   vips-frame --width W --height H --color '#RRGGBB' --out DIR FILE...
//
// writes DIR/<stem>.jpg for each FILE: thumbnail (shrink-on-load, upright,
// fitted inside W x H, enlarged when smaller) -> sRGB -> alpha flattened onto
// the colour -> centred on a W x H canvas of the colour -> JPEG quality 80.
// It goes on after a failure and exits 1 at the end if any file failed.
//
// Build: g++ -O2 -std=c++17 vips-frame.cpp $(pkg-config --cflags --libs vips-cpp)
#include <vips/vips8>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: vips-frame --width W --height H --color '#RRGGBB' --out DIR FILE...\n");
    return 2;
}

bool ParseColor(const char* text, std::vector<double>& rgb) {
    unsigned r = 0, g = 0, b = 0;
    if (std::strlen(text) != 7 || std::sscanf(text, "#%2x%2x%2x", &r, &g, &b) != 3)
        return false;
    rgb = {double(r), double(g), double(b)};
    return true;
}

std::string OutputPath(const std::string& dir, const std::string& source) {
    std::string name = source.substr(source.find_last_of('/') + 1);
    const auto dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return dir + "/" + name + ".jpg";
}

void FitOne(const char* source, const std::string& target, int width, int height,
            const std::vector<double>& background) {
    using vips::VImage;
    VImage picture = VImage::thumbnail(source, width, VImage::option()->set("height", height));
    if (picture.bands() < 3)
        picture = picture.colourspace(VIPS_INTERPRETATION_sRGB);
    if (picture.has_alpha())
        picture = picture.flatten(VImage::option()->set("background", background));
    picture = picture.embed(
        (width - picture.width()) / 2, (height - picture.height()) / 2, width, height,
        VImage::option()->set("extend", VIPS_EXTEND_BACKGROUND)->set("background", background));
    picture.jpegsave(target.c_str(), VImage::option()->set("Q", 80)->set("strip", true));
}

} // namespace

int main(int argc, char** argv) {
    if (VIPS_INIT(argv[0]))
        vips_error_exit(nullptr);
    // Every file is new to the process: caching operations would only hold memory.
    vips_cache_set_max(0);

    int width = 0, height = 0;
    std::vector<double> background;
    std::string outDir;
    int i = 1;
    for (; i + 1 < argc && std::strncmp(argv[i], "--", 2) == 0; i += 2) {
        const std::string option = argv[i];
        const char* value = argv[i + 1];
        if (option == "--width")
            width = std::atoi(value);
        else if (option == "--height")
            height = std::atoi(value);
        else if (option == "--color") {
            if (!ParseColor(value, background))
                return Usage();
        } else if (option == "--out")
            outDir = value;
        else
            return Usage();
    }
    if (width <= 0 || height <= 0 || background.empty() || outDir.empty() || i >= argc)
        return Usage();

    int failed = 0;
    for (; i < argc; ++i) {
        try {
            FitOne(argv[i], OutputPath(outDir, argv[i]), width, height, background);
        } catch (const vips::VError& error) {
            std::fprintf(stderr, "vips-frame: %s: %s\n", argv[i], error.what());
            ++failed;
        }
    }
    vips_shutdown();
    return failed ? 1 : 0;
}
