#include "EncodeImage.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vips/vips8>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using vips::VImage;

// Something like a photograph: smooth areas, edges and fine noise.
VImage Photo() {
    const VImage noise = VImage::gaussnoise(640, 480, VImage::option()->set("seed", 7));
    const VImage smooth = noise.gaussblur(12) * 8 + 128;
    const VImage xy = VImage::xyz(640, 480);
    const VImage edges = (xy[0] % 160 < 80) * 60;
    return VImage::bandjoin({smooth + edges + noise * 0.3, smooth, smooth + noise})
        .cast(VIPS_FORMAT_UCHAR)
        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

std::string Encode(const VImage& image, const char* format) {
    g_autofree void* data = nullptr;
    std::size_t size = 0;
    if (vips_image_write_to_buffer(image.get_image(), format, &data, &size, nullptr) != 0) {
        throw vips::VError();
    }
    return {static_cast<char*>(data), size};
}

struct Folder {
    fs::path path = fs::temp_directory_path() / ("quillmere-damage-" + std::to_string(getpid()));
    Folder() { fs::create_directories(path); }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    std::string Put(const std::string& name, const std::string& bytes) const {
        const fs::path file = path / name;
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }
};

// libjpeg-turbo's own verdict on the file, from its command-line decoder:
// 0 whole, 2 with warnings (corrupt data), 1 not decodable at all.
int Djpeg(const std::string& file) {
    const std::string command = "djpeg -outfile /dev/null '" + file + "' 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Where the entropy-coded data of the first scan starts and the file ends.
std::pair<std::size_t, std::size_t> ScanData(const std::string& jpeg) {
    const std::size_t sos = jpeg.find("\xFF\xDA");
    const std::size_t length = std::uint8_t(jpeg[sos + 2]) * 256u + std::uint8_t(jpeg[sos + 3]);
    return {sos + 2 + length, jpeg.size() - 2};
}

struct Case {
    std::string name, bytes;
    int djpeg = 0;
    std::string failure;
};

// Converts every case, four at a time, as a batch with several jobs would.
void ConvertAll(std::vector<Case>& cases, const Folder& folder) {
    std::atomic<std::size_t> next{0};
    std::vector<std::jthread> workers;
    for (int worker = 0; worker < 4; ++worker) {
        workers.emplace_back([&] {
            for (std::size_t i = next++; i < cases.size(); i = next++) {
                cases[i].failure = EncodeImage(FrameSettings{}, folder.path / cases[i].name).failure;
            }
        });
    }
}

} // namespace

// Bytes zeroed or scrambled in the middle of the picture data, where bit rot and bad sectors put
// them, in baseline and progressive JPEGs, colour and grey: a picture that libjpeg-turbo's own decoder finds
// corrupt is refused as damaged, and one it decodes cleanly is converted, while others convert
// beside it.
TEST(JpegDamage, RefusedExactlyWhereTheDecoderFindsCorruptData) {
    const Folder folder;
    const VImage photo = Photo();
    const std::pair<const char*, std::string> kinds[] = {
        {"baseline", Encode(photo, ".jpg[Q=85]")},
        {"progressive", Encode(photo, ".jpg[Q=85,interlace]")},
        {"grey-baseline", Encode(photo[0], ".jpg[Q=85]")},
        {"grey-progressive", Encode(photo[0], ".jpg[Q=85,interlace]")},
    };
    std::mt19937 random(20261207);
    std::vector<Case> cases;
    for (const auto& [kind, jpeg] : kinds) {
        const auto [begin, end] = ScanData(jpeg);
        for (const double at : {0.25, 0.5, 0.75}) {
            for (const std::size_t length : {16u, 256u, 4096u}) {
                for (const bool scramble : {false, true}) {
                    for (int shift = 0; shift < 3; ++shift) {
                        std::string bytes = jpeg;
                        const std::size_t from =
                            begin + std::size_t(at * double(end - begin)) + random() % 997;
                        for (std::size_t i = from; i < std::min(from + length, end); ++i) {
                            bytes[i] = scramble ? char(random()) : '\0';
                        }
                        const std::string name = std::string(kind) + "-" + std::to_string(from) +
                                                 "-" + std::to_string(length) +
                                                 (scramble ? "-scrambled" : "-zeroed") + ".jpg";
                        cases.push_back({name, bytes, Djpeg(folder.Put(name, bytes)), {}});
                    }
                }
            }
        }
    }
    ConvertAll(cases, folder);
    int corrupt = 0, refused = 0, clean = 0, converted = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + ", djpeg status " + std::to_string(c.djpeg));
        if (c.djpeg == 0) {
            ++clean;
            converted += c.failure.empty();
            EXPECT_EQ(c.failure, "");
        } else {
            ++corrupt;
            refused += c.failure == "the picture is damaged or cut short";
            EXPECT_EQ(c.failure, "the picture is damaged or cut short");
        }
    }
    std::printf("damaged refused %d of %d, clean converted %d of %d\n", refused, corrupt, converted,
                clean);
    EXPECT_GT(corrupt, int(cases.size()) / 2) << "the sweep hardly damages anything";
}

// What is not damage converts: stray bytes ahead of a table before the first scan (baseline and
// progressive), restart markers, and a picture that ends with its end marker as it should.
TEST(JpegDamage, HarmlessOdditiesConvert) {
    const Folder folder;
    const VImage photo = Photo();
    const auto strayBeforeTable = [](std::string jpeg) {
        return jpeg.insert(jpeg.find("\xFF\xC4"), "abc");
    };
    std::vector<Case> cases = {
        {"stray-baseline.jpg", strayBeforeTable(Encode(photo, ".jpg")), 0, {}},
        {"stray-progressive.jpg", strayBeforeTable(Encode(photo, ".jpg[interlace]")), 0, {}},
        {"restarts.jpg", Encode(photo, ".jpg[restart_interval=2]"), 0, {}},
        {"restarts-progressive.jpg", Encode(photo, ".jpg[restart_interval=1,interlace]"), 0, {}},
        {"grey.jpg", Encode(photo[1], ".jpg"), 0, {}},
    };
    for (Case& c : cases) {
        folder.Put(c.name, c.bytes);
    }
    ConvertAll(cases, folder);
    for (const Case& c : cases) {
        EXPECT_EQ(c.failure, "") << c.name;
    }
}
