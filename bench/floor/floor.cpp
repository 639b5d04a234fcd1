// The benchmark's floor: the least work any program fitting pictures into a
// frame must do, so that the table shows how far a tool is from it.
//
//   floor --threads N --width W --height H --color '#RRGGBB' --out DIR FILE...
//
// writes DIR/<stem>.jpg for each FILE, a W x H quality-80 JPEG with the
// picture fitted inside it (proportions kept, enlarged when smaller) and
// centred on the colour. A JPEG is decoded at the smallest libjpeg scale M/8
// that still covers the fitted size, a PNG in full (8-bit RGB, alpha dropped);
// the fitted picture is made of rows and columns picked from the decoded one
// (nearest neighbour): no resize filter, no colour management, no EXIF
// orientation. Only the size of its outputs can be right, not their pixels.
// N threads take the files in turn. It goes on after a failure and exits 1 at
// the end if any file failed.
//
// Build: g++ -O2 -std=c++17 -pthread floor.cpp $(pkg-config --cflags --libs libjpeg libpng)
// jpeglib.h uses size_t and FILE without including what declares them.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Frame {
    int width = 0, height = 0;
    unsigned char color[3] = {0, 0, 0};
    std::string outDir;
};

int Usage() {
    std::fprintf(stderr, "usage: floor --threads N --width W --height H --color '#RRGGBB' "
                         "--out DIR FILE...\n");
    return 2;
}

bool ParseColor(const char* text, unsigned char rgb[3]) {
    unsigned r = 0, g = 0, b = 0;
    if (std::strlen(text) != 7 || std::sscanf(text, "#%2x%2x%2x", &r, &g, &b) != 3)
        return false;
    rgb[0] = static_cast<unsigned char>(r);
    rgb[1] = static_cast<unsigned char>(g);
    rgb[2] = static_cast<unsigned char>(b);
    return true;
}

std::string OutputPath(const std::string& dir, const std::string& source) {
    std::string name = source.substr(source.find_last_of('/') + 1);
    const auto dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return dir + "/" + name + ".jpg";
}

// The fitted size, rounded as check-frames.py rounds it.
void FittedSize(const Frame& frame, long sw, long sh, int& fw, int& fh) {
    const double scale = std::min(double(frame.width) / sw, double(frame.height) / sh);
    fw = std::max(1, int(sw * scale + 0.5));
    fh = std::max(1, int(sh * scale + 0.5));
}

// Picks the fitted picture's rows and columns out of a decoded one whose rows
// arrive one at a time, so only one decoded row is held. For every output
// column, the source column whose centre is nearest.
class Picker {
public:
    Picker(int sourceWidth, int sourceHeight, int fw, int fh)
        : sh_(sourceHeight), fw_(fw), fh_(fh), columns_(fw), fitted_(size_t(fw) * fh * 3) {
        for (int x = 0; x < fw; ++x)
            columns_[x] = std::min(sourceWidth - 1, int((x + 0.5) * sourceWidth / fw));
    }

    // ROW (RGB) is source row Y; fills every fitted row taken from it.
    void Take(int y, const unsigned char* row) {
        while (next_ < fh_ && SourceRow(next_) == y) {
            unsigned char* out = &fitted_[size_t(next_) * fw_ * 3];
            for (int x = 0; x < fw_; ++x)
                std::memcpy(out + 3 * x, row + 3 * columns_[x], 3);
            ++next_;
        }
    }

    // Whether any fitted row comes from source row Y or later.
    bool Wants(int y) const { return next_ < fh_ && SourceRow(next_) >= y; }
    const unsigned char* Fitted() const { return fitted_.data(); }

private:
    int SourceRow(int j) const { return std::min(sh_ - 1, int((j + 0.5) * sh_ / fh_)); }

    int sh_, fw_, fh_;
    int next_ = 0;
    std::vector<int> columns_;
    std::vector<unsigned char> fitted_;
};

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void JpegFail(j_common_ptr info) {
    auto* error = reinterpret_cast<JpegError*>(info->err);
    info->err->format_message(info, error->message);
    std::longjmp(error->jump, 1);
}

// Closes a FILE at the end of a scope, longjmp or not (the jump lands in the
// same frame, so the destructor still runs).
struct FileCloser {
    FILE* file;
    ~FileCloser() {
        if (file)
            std::fclose(file);
    }
};

bool Encode(const Frame& frame, const unsigned char* fitted, int fw, int fh,
            const std::string& target, std::string& problem) {
    FileCloser out{std::fopen(target.c_str(), "wb")};
    if (!out.file) {
        problem = "cannot write " + target;
        return false;
    }
    std::vector<unsigned char> line(size_t(frame.width) * 3);
    jpeg_compress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JpegFail;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        problem = error.message;
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, out.file);
    info.image_width = frame.width;
    info.image_height = frame.height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 80, TRUE);
    jpeg_start_compress(&info, TRUE);
    const int left = (frame.width - fw) / 2, top = (frame.height - fh) / 2;
    for (int x = 0; x < frame.width; ++x)
        std::memcpy(&line[3 * size_t(x)], frame.color, 3);
    for (int y = 0; y < frame.height; ++y) {
        const bool inside = y >= top && y < top + fh;
        if (inside)
            std::memcpy(&line[3 * size_t(left)], fitted + size_t(y - top) * fw * 3, size_t(fw) * 3);
        JSAMPROW row = line.data();
        jpeg_write_scanlines(&info, &row, 1);
        // The padding on either side stays in LINE; only the picture is put back.
        if (inside && y + 1 == top + fh)
            for (int x = left; x < left + fw; ++x)
                std::memcpy(&line[3 * size_t(x)], frame.color, 3);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    if (std::fflush(out.file) != 0) {
        problem = "cannot write " + target;
        return false;
    }
    return true;
}

// What a decoder fills between its setjmp and a possible longjmp. It lives in
// the caller's frame: an object of the setjmp frame changed after setjmp may
// be stale after the jump, and its destructor would then free the wrong thing.
struct Buffers {
    std::vector<unsigned char> pixels;
    std::vector<png_bytep> rows;
    std::vector<Picker> picker; // empty until the header is read
};

bool FitJpeg(const Frame& frame, FILE* in, const std::string& target, Buffers& buffers,
             std::string& problem) {
    jpeg_decompress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JpegFail;
    auto& row = buffers.pixels;
    auto& picker = buffers.picker;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        problem = error.message;
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, in);
    jpeg_read_header(&info, TRUE);
    int fw = 0, fh = 0;
    FittedSize(frame, info.image_width, info.image_height, fw, fh);
    // The smallest M/8 whose decoded size still covers the fitted one; a
    // picture to be enlarged is decoded in full.
    int m = 1;
    while (m < 8 && ((long(info.image_width) * m + 7) / 8 < fw ||
                     (long(info.image_height) * m + 7) / 8 < fh))
        ++m;
    info.scale_num = m;
    info.scale_denom = 8;
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    const int sw = info.output_width, sh = info.output_height;
    row.resize(size_t(sw) * 3);
    picker.emplace_back(sw, sh, fw, fh);
    while (info.output_scanline < info.output_height) {
        const int y = info.output_scanline;
        JSAMPROW rows = row.data();
        jpeg_read_scanlines(&info, &rows, 1);
        picker[0].Take(y, row.data());
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return Encode(frame, picker[0].Fitted(), fw, fh, target, problem);
}

struct PngError {
    std::jmp_buf jump;
    std::string message;
};

void PngFail(png_structp png, png_const_charp message) {
    auto* error = static_cast<PngError*>(png_get_error_ptr(png));
    error->message = message;
    std::longjmp(error->jump, 1);
}

void PngWarn(png_structp, png_const_charp) {}

bool FitPng(const Frame& frame, FILE* in, const std::string& target, Buffers& buffers,
            std::string& problem) {
    PngError error;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, PngFail, PngWarn);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        problem = "out of memory";
        return false;
    }
    auto& pixels = buffers.pixels;
    auto& rows = buffers.rows;
    auto& picker = buffers.picker;
    if (setjmp(error.jump)) {
        png_destroy_read_struct(&png, &info, nullptr);
        problem = error.message;
        return false;
    }
    png_init_io(png, in);
    png_read_info(png, info);
    const int sw = png_get_image_width(png, info), sh = png_get_image_height(png, info);
    // 8-bit RGB whatever was stored; transparency is simply dropped.
    png_set_strip_16(png);
    png_set_packing(png);
    png_set_palette_to_rgb(png);
    png_set_expand_gray_1_2_4_to_8(png);
    png_set_gray_to_rgb(png);
    png_set_strip_alpha(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    int fw = 0, fh = 0;
    FittedSize(frame, sw, sh, fw, fh);
    picker.emplace_back(sw, sh, fw, fh);
    if (passes == 1) {
        pixels.resize(size_t(sw) * 3);
        for (int y = 0; y < sh && picker[0].Wants(y); ++y) {
            png_read_row(png, pixels.data(), nullptr);
            picker[0].Take(y, pixels.data());
        }
    } else {
        // An interlaced PNG has every row only after the last pass.
        pixels.resize(size_t(sw) * sh * 3);
        rows.resize(sh);
        for (int y = 0; y < sh; ++y)
            rows[y] = &pixels[size_t(y) * sw * 3];
        png_read_image(png, rows.data());
        for (int y = 0; y < sh; ++y)
            picker[0].Take(y, rows[y]);
    }
    // The rest of the file is not read: nothing in it changes the pixels.
    png_destroy_read_struct(&png, &info, nullptr);
    return Encode(frame, picker[0].Fitted(), fw, fh, target, problem);
}

bool FitOne(const Frame& frame, const char* source, std::string& problem) {
    FileCloser in{std::fopen(source, "rb")};
    if (!in.file) {
        problem = "cannot open";
        return false;
    }
    unsigned char magic[8] = {};
    const size_t got = std::fread(magic, 1, sizeof magic, in.file);
    std::rewind(in.file);
    const std::string target = OutputPath(frame.outDir, source);
    Buffers buffers;
    if (got >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF)
        return FitJpeg(frame, in.file, target, buffers, problem);
    if (got == 8 && png_sig_cmp(magic, 0, 8) == 0)
        return FitPng(frame, in.file, target, buffers, problem);
    problem = "neither a JPEG nor a PNG";
    return false;
}

} // namespace

int main(int argc, char** argv) {
    Frame frame;
    int threads = 1;
    bool haveColor = false;
    int i = 1;
    for (; i + 1 < argc && std::strncmp(argv[i], "--", 2) == 0; i += 2) {
        const std::string option = argv[i];
        const char* value = argv[i + 1];
        if (option == "--width")
            frame.width = std::atoi(value);
        else if (option == "--height")
            frame.height = std::atoi(value);
        else if (option == "--threads")
            threads = std::atoi(value);
        else if (option == "--color") {
            if (!ParseColor(value, frame.color))
                return Usage();
            haveColor = true;
        } else if (option == "--out")
            frame.outDir = value;
        else
            return Usage();
    }
    if (frame.width <= 0 || frame.height <= 0 || threads <= 0 || !haveColor ||
        frame.outDir.empty() || i >= argc)
        return Usage();

    const int first = i;
    std::atomic<int> next{first};
    std::atomic<int> failed{0};
    auto work = [&] {
        for (int k; (k = next.fetch_add(1)) < argc;) {
            std::string problem;
            if (!FitOne(frame, argv[k], problem)) {
                std::fprintf(stderr, "floor: %s: %s\n", argv[k], problem.c_str());
                ++failed;
            }
        }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < std::min(threads, argc - first); ++t)
        pool.emplace_back(work);
    work();
    for (auto& thread : pool)
        thread.join();
    return failed ? 1 : 0;
}
