#include "EncodeImage.h"
#include "AtomicFile.h"
#include "ImagingSession.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vips/vips8>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <random>
#include <thread>

namespace {

namespace fs = std::filesystem;
using vips::VImage;
using Rgb = std::vector<double>;

const Rgb white = {255, 255, 255}, red = {255, 0, 0}, blue200 = {0, 0, 200};

struct TempFolder {
    std::string path = [] {
        static const fs::path root = fs::temp_directory_path(); // before TMPDIR is changed
        std::string pattern = root / "quillmere-render-XXXXXX";
        return mkdtemp(pattern.data()) ? pattern : throw std::runtime_error("no temporary folder");
    }();
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    std::string File(const std::string& name) const { return path + "/" + name; }
};

// A picture of one colour in sRGB, a fourth value being alpha, at x by y dots per inch; 25.4 is
// what libvips records for a picture without a resolution.
VImage Solid(int width, int height, const Rgb& colour, double xDpi = 25.4, double yDpi = 25.4) {
    const VImage image = VImage::black(width, height).new_from_image(colour);
    return image.copy(VImage::option()
                          ->set("interpretation", VIPS_INTERPRETATION_sRGB)
                          ->set("xres", xDpi / 25.4)
                          ->set("yres", yDpi / 25.4));
}

// Something like a photograph: smooth areas, edges and fine noise, the same on every run so that
// damage done to its files always shows.
VImage Photo(int width, int height) {
    const VImage noise =
        VImage::gaussnoise(width, height, VImage::option()->set("seed", 7)->set("mean", 0));
    const VImage smooth = noise.gaussblur(12) * 40 + 128,
                 edges = (VImage::xyz(width, height)[0] % 160 < 80) * 60;
    return VImage::bandjoin({smooth + edges + noise * 0.3, smooth, smooth + noise})
        .cast(VIPS_FORMAT_UCHAR)
        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

FrameSettings Frame(int width, int height) {
    return {1, 0xC80000, width, height};
}

// The file libvips (or ImageMagick, for BMP) writes for a suffix with options.
std::string Encode(const VImage& image, const std::string& format) {
    g_autofree void* data = nullptr;
    std::size_t size = 0;
    image.write_to_buffer(format.c_str(), &data, &size);
    return {static_cast<char*>(data), size};
}

std::string White(int width, int height, double dpi = 25.4) {
    return Encode(Solid(width, height, white, dpi, dpi), ".png");
}

std::string Be16(int value) {
    return {char(value >> 8), char(value & 0xFF)};
}

// A phone's JPEG: blue with the top left quarter red, an orientation (kept in EXIF), 300 x 150
// dpi and a Display P3 profile.
std::string Phone(int w, int h, int orientation) {
    VImage image =
        Solid(w, h, blue200, 300, 150).insert(Solid(w / 2, h / 2, red), 0, 0).icc_transform("p3");
    image.set("orientation", orientation);
    return Encode(image, ".jpg");
}

// The folder libvips keeps its temporary files in (TMPDIR), private to this program.
const TempFolder vipsTemp;

// A conversion that does not end stops the test program instead of stalling it. After `at` waits
// of 5 ms, `then` runs and the conversion must end within 60 s, or it is stopped and must end
// within 5 s. No file may appear in libvips' temporary folder meanwhile: a killed program would
// leave it behind.
Encoded Convert(const FrameSettings& settings, const std::string& source, int at = -1,
                const std::function<void()>& then = {}) {
    std::stop_source stop;
    auto result = std::async(std::launch::async, EncodeImage, settings, source, stop.get_token());
    for (int wait = 0;
         wait == 0 || result.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready;
         ++wait) {
        if (wait == at) {
            then ? then() : void(stop.request_stop());
        }
        if (wait == (at < 0 ? 24000 : at + (then ? 12000 : 1000))) {
            std::fprintf(stderr, "Converting %s did not end.\n", source.c_str());
            std::_Exit(1);
        }
        EXPECT_TRUE(fs::is_empty(vipsTemp.path)) << "a named temporary file";
    }
    return result.get();
}

// An area of one colour, in fractions of the output's size.
struct Probe {
    Rgb colour;
    double x = 0, y = 0, width = 1, height = 1;
};

// The quarter q (0 top left, 1 top right, 2 bottom left, 3 bottom right) is red and the opposite
// one blue.
std::vector<Probe> Red(int q) {
    const double x = q % 2 * 0.5 + 0.1, y = q / 2 * 0.5 + 0.1;
    return {{red, x, y, 0.3, 0.3}, {blue200, 0.7 - x, 0.7 - y, 0.3, 0.3}};
}

// A source file and what comes of it: its output's size and dots per inch ("800x600 72x72"), or
// why it is refused.
struct Render {
    std::string name, bytes, outcome; // no bytes: the test makes the file
    std::vector<Probe> probes = {};
    FrameSettings frame = {}; // the program's default: padded 800 x 600, blue 200
};

const std::string damaged = "the picture is damaged or cut short";

// One row for each way through the program; of the formats libvips decodes on its own, one row
// each shows that the program offers them. A conversion stopped in the middle ends, whichever way
// it goes: enlarged, or turned on disc.
std::vector<Render> Renders() {
    const Rgb colour = {40, 150, 90};
    const VImage rgba = Solid(40, 30, {0, 160, 0, 255}).insert(Solid(20, 30, {255, 0, 0, 0}), 0, 0);
    const VImage picture = Solid(64, 48, colour), cmyk = Solid(8, 6, red).icc_transform("cmyk");
    const VImage grey16 = (VImage::black(64, 48) + 25700).cast(VIPS_FORMAT_USHORT);
    // Bands of the padding colour where the frame is left free, away from their edges, which
    // JPEG blurs within its blocks of 16 pixels.
    const std::vector<Probe> bands = {{blue200, 0, 0, 1, 0.025}, {blue200, 0, 0.975, 1, 0.025}};
    const FrameSettings off = {0}, huge = Frame(65500, 65500);
    const VImage photo = Photo(640, 480);
    const std::string jpeg = Encode(photo, ".jpg"), fits = "800x600 72x72";
    const auto cut = [](const std::string& b) { return b.substr(0, b.size() * 6 / 10); };
    const std::size_t sof = jpeg.find("\xFF\xC0");
    const std::string frame = "the frame size must be from 1 to 65500 pixels a side",
                      thin = "the picture is too thin to draw at this frame size";
    // A 16 x 16 PNG whose header promises 60000 x 60000.
    std::string png = White(16, 16).replace(16, 8, Be16(0) + Be16(60000) + Be16(0) + Be16(60000));
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17);
    png.replace(29, 4, Be16(int(crc >> 16)) + Be16(int(crc & 0xFFFF)));
    // A progressive JPEG keeps all of its coefficients while it decodes: 25 GB at 65500 x 65500
    // in colour, more than half of this machine's memory.
    std::string progressive = Encode(photo, ".jpg[interlace]");
    progressive.replace(progressive.find("\xFF\xC2") + 5, 4, Be16(65500) + Be16(65500));
    return {
        {"1000x700.png", White(1000, 700, 300), "800x600 300x300", bands},
        {"1000x700-off.png", White(1000, 700), "800x560 72x72", {}, off},
        {"7x3.png", White(7, 3), fits, {{blue200, 0, 0, 1, 0.18}, {blue200, 0, 0.82, 1, 0.18}}},
        // Already the frame's size: as it is, its edge on a block boundary not moved half a pixel.
        {"edge.png",
         Encode(Solid(80, 60, {0, 0, 0}).insert(Solid(40, 60, white), 40, 0), ".png"),
         "80x60 72x72",
         {{white, 0.5, 0, 0.0125}},
         Frame(80, 60)},
        {"1x1.png", White(1, 1), fits, {{blue200, 0, 0, 0.12, 1}, {blue200, 0.88, 0, 0.12, 1}}},
        {"1x10000.png", White(1, 10000), fits, {{{0x56, 0x34, 0x12}}}, {1, 0xFF123456}},
        {"rgba.png", Encode(rgba, ".png"), fits, {{blue200, 0.1, 0.1, 0.3, 0.8}}},
        {"rgba-off.png", Encode(rgba, ".png"), fits, {{{0, 0, 0}, 0.1, 0.1, 0.3, 0.8}}, off},
        {"frame-65500.png", White(8, 6), "65500x1 72x72", {}, Frame(65500, 1)},
        {"turned-3-reduced.jpg", Phone(600, 400, 3), "300x200 300x150", Red(3), Frame(300, 200)},
        {"turned-6-large.jpg", Phone(7500, 5000, 6), "4900x7350 150x300", Red(1),
         Frame(4900, 7350)},
        {"turned-8-enlarged.jpg", Phone(600, 400, 8), "4000x6000 150x300", Red(2),
         Frame(4000, 6000)},
        {"cmyk.jpg", Encode(cmyk, ".jpg[strip]"), fits, {{{236, 33, 40}}}},
        {"with space [shrink=2].jpg", Encode(picture, ".jpg"), fits, {{colour}}},
        // Stray bytes ahead of a table before the first scan are harmless.
        {"stray.jpg", std::string(jpeg).insert(jpeg.find("\xFF\xC4"), "abc"), fits},
        {"bmp:colon.gif", Encode(picture, ".gif"), fits, {{colour}}},
        {"-dash.webp", Encode(picture, ".webp[lossless]"), fits, {{colour}}},
        {"latin1-\xE9t\xE9.tif", Encode(grey16, ".tif"), fits, {{{100, 100, 100}}}},
        {"x.heic[0]", Encode(picture, ".heic[lossless]"), fits, {{colour}}},
        {"a.jxl", Encode(picture, ".jxl[lossless]"), fits, {{colour}}},
        // Told by its first bytes, whatever its name.
        {"bmp-named.png", Encode(picture, ".bmp"), fits, {{colour}}},
        {"1x10000-off.png", White(1, 10000), thin, {}, off},
        {"frame-0.png", White(8, 6), frame, {}, Frame(800, 0)},
        {"frame-65501.png", White(8, 6), frame, {}, Frame(65501, 600)},
        // No regular file: refused with SourceFile's reason, never opened in a way that waits.
        {"pipe.png", "", "a named pipe, not a picture file"},
        {"text.jpg", "plain text\n", "not a picture Quillmere reads"},
        {"svg-named.png", "<svg xmlns='http://www.w3.org/2000/svg'/>",
         "not a picture Quillmere reads (an SVG drawing; it reads JPEG, PNG, GIF, WebP, TIFF, "
         "HEIF, AVIF, JPEG XL and BMP)"},
        {"fake.bmp", "BM but nothing of a bitmap follows", damaged},
        {"1x10000-cut.png", cut(White(1, 10000)), damaged},
        {"cut.jpg", cut(jpeg), damaged},
        {"cut.gif", cut(Encode(photo, ".gif")), damaged},
        {"huge.png", png, damaged},
        {"huge.jpg", std::string(jpeg).replace(sof + 5, 4, Be16(60000) + Be16(60000)), damaged},
        {"progressive-65500.jpg", progressive, "the picture is too large to decode"},
        {"stopped-enlarged.png", White(100, 100), "stopped", {}, huge},
        {"stopped-turned.jpg", Phone(10000, 10000, 6), "stopped", {}, huge},
    };
}

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace

// Each source comes out as its row says, leaving no temporary file, or fails with its reason. A
// source is never opened in a way that waits, and a picture that needs more memory than the
// program may have is too large. A second imaging session does not start and leaves the first
// one working.
TEST(ConvertImage, ConvertsOrRefusesEachSource) {
    EXPECT_FALSE(ImagingSession().Started());
    const TempFolder sources;
    ASSERT_EQ(mkfifo(sources.File("pipe.png").c_str(), 0600), 0);
    rlimit limit{};
    getrlimit(RLIMIT_AS, &limit);
#ifndef __SANITIZE_THREAD__
    // ThreadSanitizer maps its shadow memory as the program goes: with the address space
    // lowered, any allocation may fail.
    rlim_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlimit lowered = {pages * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(4) << 30),
                            limit.rlim_max};
    setrlimit(RLIMIT_AS, &lowered);
#endif
    for (const Render& row : Renders()) {
        SCOPED_TRACE(row.name);
        if (!row.bytes.empty()) {
            Write(sources.File(row.name), row.bytes);
        }
        const Encoded encoded =
            Convert(row.frame, sources.File(row.name), row.outcome == "stopped" ? 100 : -1);
        int width = 0, height = 0, xDpi = 0, yDpi = 0;
        const bool converts =
            std::sscanf(row.outcome.c_str(), "%dx%d %dx%d", &width, &height, &xDpi, &yDpi) == 4;
        EXPECT_EQ(encoded.failure, converts ? "" : row.outcome);
        if (!encoded.failure.empty() || !converts) {
            continue;
        }
        // A JFIF header with the resolution in dots per inch, then nothing but the tables, frame
        // and scan header of a plain baseline 4:2:0 JPEG at quality 80 of that size.
        const std::string jpeg(encoded.bytes.begin(), encoded.bytes.end()),
            plain = Encode(Solid(width, height, red), ".jpg[Q=80,strip,subsample_mode=on]");
        const std::size_t ours = jpeg.find("\xFF\xDB"), theirs = plain.find("\xFF\xDB");
        EXPECT_EQ(jpeg.substr(0, ours), std::string("\xFF\xD8\xFF\xE0\0\x10JFIF\0\1\1\1", 14) +
                                            Be16(xDpi) + Be16(yDpi) + std::string(2, '\0'));
        EXPECT_EQ(jpeg.substr(ours, jpeg.find("\xFF\xDA") - ours),
                  plain.substr(theirs, plain.find("\xFF\xDA") - theirs));
        const VImage result = VImage::new_from_buffer(jpeg, "").copy_memory();
        const double w = result.width(), h = result.height();
        for (const Probe& p : row.probes) {
            const VImage area = result.extract_area(int(p.x * w), int(p.y * h), int(p.width * w),
                                                    int(p.height * h));
            EXPECT_LE((area - p.colour).abs().max(), 10) << "at " << p.x << ", " << p.y;
        }
    }
    setrlimit(RLIMIT_AS, &limit);
    // A picture turned on disc where no temporary file can be made says where, not that the
    // picture is damaged.
    fs::remove(vipsTemp.path); // fails where a temporary file was left behind
    const std::string failure =
        EncodeImage(Frame(65500, 65500), sources.File("stopped-turned.jpg")).failure;
    fs::create_directory(vipsTemp.path);
    EXPECT_EQ(failure,
              "cannot make a temporary file in " + vipsTemp.path + ": no such file or directory");
}

// Bytes zeroed or scrambled in the middle of the picture data, where bit rot and bad sectors put
// them, in baseline and progressive JPEGs and in grey: a picture that libjpeg-turbo's own
// decoder (djpeg, whose status is 0 only for a whole picture) finds corrupt is refused as
// damaged, and one it decodes cleanly is converted. So is a JPEG-compressed TIFF whole or
// holed where its JPEG decoder notices. Damage is told by warnings that do not name the picture;
// converted four at a time, each picture still gets its own verdict.
TEST(ConvertImage, DamageIsEachPicturesOwn) {
    const TempFolder folder;
    const VImage photo = Photo(640, 480);
    std::string tiff = Encode(Photo(1600, 1200), ".tif[compression=jpeg]");
    // Each source's path and the failure it must come to.
    std::vector<std::pair<std::string, std::string>> cases = {{folder.File("whole.tif"), ""},
                                                              {folder.File("holed.tif"), damaged}};
    Write(cases[0].first, tiff);
    std::mt19937 random(20261207);
    // A hole of 4096 scrambled bytes a quarter in, well inside the picture's JPEG data.
    std::generate_n(tiff.begin() + std::ptrdiff_t(tiff.size() / 4), 4096,
                    [&] { return char(random()); });
    Write(cases[1].first, tiff);
    int damagedShots = 0;
    for (const auto& [kind, jpeg] :
         {std::pair<std::string, std::string>{"baseline", Encode(photo, ".jpg[Q=85]")},
          {"progressive", Encode(photo, ".jpg[Q=85,interlace]")},
          {"grey", Encode(photo[0], ".jpg[Q=85]")}}) {
        // Past the first scan's header, whose length is at most 14 bytes.
        const std::size_t begin = jpeg.find("\xFF\xDA") + 14, end = jpeg.size() - 2;
        // A quarter, half or three quarters in, 16, 256 or 4096 bytes, zeroed or scrambled.
        for (int shot = 0; shot < 54; ++shot) {
            const std::size_t length = std::size_t(16) << shot / 3 % 3 * 4,
                              from = begin + (end - begin) * std::size_t(1 + shot % 3) / 4 +
                                     random() % 997;
            std::string bytes = jpeg;
            for (std::size_t i = from; i < from + length && i < end; ++i) {
                bytes[i] = shot % 2 == 1 ? char(random()) : '\0';
            }
            const std::string path = folder.File(kind + "-" + std::to_string(shot) + ".jpg");
            Write(path, bytes);
            const std::string djpeg = "djpeg -outfile /dev/null '" + path + "' 2>/dev/null";
            cases.emplace_back(path, std::system(djpeg.c_str()) == 0 ? "" : damaged);
            damagedShots += cases.back().second == damaged ? 1 : 0;
        }
    }
    EXPECT_GT(damagedShots, int(cases.size()) / 2) << "the sweep hardly damages anything";
    std::vector<std::jthread> workers;
    for (std::size_t first = 0; first < 4; ++first) {
        workers.emplace_back([&cases, first] {
            for (std::size_t i = first; i < cases.size(); i += 4) {
                const auto& [path, expected] = cases[i];
                EXPECT_EQ(EncodeImage(FrameSettings{}, path).failure, expected) << path;
            }
        });
    }
}

// A source cut short by someone else while it converts (a download being replaced, a sync
// tool) ends as damaged or as what was read, and the program goes on: the WebP and GIF decoders
// would read a mapped file past its new end.
TEST(ConvertImage, SourceCutShortWhileConvertingNeverEndsTheProgram) {
    const TempFolder folder;
    const VImage noise = Photo(2400, 1800)[2];
    for (const std::string format : {".webp", ".gif"}) {
        const std::string bytes = Encode(noise, format), source = folder.File("big" + format);
        for (int attempt = 0; attempt < 12; ++attempt) {
            SCOPED_TRACE(format + " cut after " + std::to_string(attempt * 5) + " ms");
            Write(source, bytes);
            const auto cut = [&] { fs::resize_file(source, bytes.size() * 4 / 10); };
            const std::string failure = Convert({}, source, attempt, cut).failure;
            EXPECT_TRUE(failure.empty() || failure == damaged) << failure;
        }
    }
}

// An output has no name while it is written, so that a killed program leaves nothing behind, and
// gets the mode a new file gets (0666 less the umask). Putting it in place of an earlier file is
// the batch's to show.
TEST(AtomicFile, HasNoNameUntilItIsInPlace) {
    const TempFolder folder;
    const mode_t before = umask(027);
    AtomicFile file(folder.File("a.jpg"));
    umask(before);
    ASSERT_TRUE(file.Write("bytes", 5));
    EXPECT_TRUE(fs::is_empty(folder.path)) << "a name while it is written";
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(fs::status(folder.File("a.jpg")).permissions(), fs::perms(0640));
}

#ifdef __SANITIZE_ADDRESS__
// A decode too large for memory must see its allocation fail, as it does without ASan.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}
#endif

// One imaging session for the whole program, as in the application, with a temporary folder of
// its own.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    setenv("TMPDIR", vipsTemp.path.c_str(), 1);
    const ImagingSession session;
    return session.Started() ? RUN_ALL_TESTS() : 1;
}
