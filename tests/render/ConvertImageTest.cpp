#include "ConvertImage.h"
#include "ImagingSession.h"
#include "JpegMarkers.h"
#include "TestImages.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using vips::VImage;

// One imaging session for the whole test program, as in the application.
class SessionEnvironment : public testing::Environment {
public:
    void SetUp() override {
        session = std::make_unique<ImagingSession>();
        ASSERT_TRUE(session->Started());
    }
    void TearDown() override { session.reset(); }

private:
    std::unique_ptr<ImagingSession> session;
};

const auto* const environment = testing::AddGlobalTestEnvironment(new SessionEnvironment);

const Rgb white = {255, 255, 255};
const Rgb red = {255, 0, 0};
const Rgb blue200 = {0, 0, 200};
const Rgb black = {0, 0, 0};

FrameSettings Frame(int width, int height, bool padding = true,
                    std::uint32_t colour = FrameSettings{}.paddingColor) {
    FrameSettings settings;
    settings.doPadding = padding ? 1 : 0;
    settings.paddingColor = colour;
    settings.frameWidth = width;
    settings.frameHeight = height;
    return settings;
}

// JPEG keeps flat colours within a few levels; edges ring a little more.
constexpr double jpegTolerance = 8;

double Luma(const Rgb& p) {
    return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
}

// Dark pixels at the start and at the end of the middle row or column: the
// widths of the two padding bands when a light picture lies on a dark field.
// The step is read from the luma, which JPEG keeps at full resolution.
std::pair<int, int> DarkBands(const VImage& image, bool rows) {
    const int length = rows ? image.height() : image.width();
    const auto dark = [&](int i) {
        const Rgb p =
            rows ? PixelAt(image, image.width() / 2, i) : PixelAt(image, i, image.height() / 2);
        return Luma(p) < 128;
    };
    int first = 0;
    while (first < length && dark(first)) {
        ++first;
    }
    int second = 0;
    while (second < length - first && dark(length - 1 - second)) {
        ++second;
    }
    return {first, second};
}

// The largest difference of any pixel and band from a colour.
double LargestDeviation(const VImage& image, const Rgb& colour) {
    return (image - colour).abs().max();
}

bool IsJpeg(const std::string& path) {
    return ReadBytes(path).rfind("\xFF\xD8\xFF", 0) == 0;
}

// Runs a conversion that must end on its own; a hang fails the test program
// rather than stalling it. The bound is generous: it guards, it does not time.
int ConvertGuarded(const FrameSettings& settings, const std::string& source,
                   const std::string& output) {
    auto result =
        std::async(std::launch::async, [&] { return ConvertImage(settings, source, output); });
    if (result.wait_for(std::chrono::seconds(120)) != std::future_status::ready) {
        ADD_FAILURE() << "conversion of " << source << " did not end";
        std::_Exit(1);
    }
    return result.get();
}

void SaveWithOrientation(const VImage& image, int orientation, const std::string& path) {
    VImage tagged = image.copy();
    tagged.set("orientation", orientation);
    tagged.jpegsave(path.c_str());
}

// A picture split into pages, the way libvips writes multi-page files.
VImage Pages(const std::vector<VImage>& pages) {
    VImage joined = VImage::arrayjoin(pages, VImage::option()->set("across", 1));
    joined.set("page-height", pages.front().height());
    return joined;
}

// The standard IJG quantisation tables (natural order) scaled for quality 80,
// in the zig-zag order a JPEG file stores them.
std::array<std::vector<int>, 2> IjgTablesForQuality80() {
    const int luminance[64] = {16,  11,  10,  16,  24, 40, 51,  61,  12,  12,  14,  19,  26,
                               58,  60,  55,  14,  13, 16, 24,  40,  57,  69,  56,  14,  17,
                               22,  29,  51,  87,  80, 62, 18,  22,  37,  56,  68,  109, 103,
                               77,  24,  35,  55,  64, 81, 104, 113, 92,  49,  64,  78,  87,
                               103, 121, 120, 101, 72, 92, 95,  98,  112, 100, 103, 99};
    const int chrominance[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                 24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};
    const int zigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                            12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                            35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                            58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
    const int scale = 200 - 2 * 80; // 40 percent
    std::array<std::vector<int>, 2> tables;
    for (int k = 0; k < 64; ++k) {
        for (std::size_t t = 0; t < 2; ++t) {
            const int base = (t == 0 ? luminance : chrominance)[zigzag[k]];
            tables[t].push_back(std::clamp((base * scale + 50) / 100, 1, 255));
        }
    }
    return tables;
}

std::uint32_t Crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (char byte : bytes) {
        crc ^= static_cast<unsigned char>(byte);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
        }
    }
    return ~crc;
}

void PutBigEndian(std::string& bytes, std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes[at + std::size_t(i)] = char((value >> (8 * (size - 1 - i))) & 0xFF);
    }
}

class ConvertImageTest : public testing::Test {
protected:
    TempFolder folder;
    std::string out = folder.File("out.jpg");
};

} // namespace

// One session per process: a second one reports that it did not start and
// leaves the first one working.
TEST(ImagingSession, StartsOncePerProcess) {
    EXPECT_TRUE(ImagingSession::Active());
    {
        ImagingSession second;
        EXPECT_FALSE(second.Started());
    }
    EXPECT_TRUE(ImagingSession::Active());
    TempFolder folder;
    Solid(8, 6, white).pngsave(folder.File("a.png").c_str());
    EXPECT_EQ(ConvertImage(Frame(80, 60), folder.File("a.png"), folder.File("a.jpg")), 1);
}

// The output is the frame with padding and the drawn size without; the
// padding bands have the widths of the fit (the first band never the larger),
// small pictures are enlarged, and a tie fills the frame.
TEST_F(ConvertImageTest, SizesAndPaddingBands) {
    struct Row {
        int width, height;
        bool padding;
        int outWidth, outHeight;
        bool bandsAreRows;
        int first, second;
    };
    const Row rows[] = {
        {1000, 700, true, 800, 600, true, 19, 21},    {1000, 700, false, 800, 560, true, 0, 0},
        {600, 800, true, 800, 600, false, 175, 175},  {600, 800, false, 450, 600, false, 0, 0},
        {1000, 1000, true, 800, 600, false, 99, 101}, {3000, 2000, true, 800, 600, true, 33, 34},
        {801, 600, true, 800, 600, true, 0, 1},       {1600, 1200, true, 800, 600, true, 0, 0},
        {100, 75, true, 800, 600, true, 0, 0},        {7, 5, true, 800, 600, true, 14, 15},
        {7, 5, false, 800, 571, true, 0, 0},          {1, 1, true, 800, 600, false, 100, 100},
        {1, 1, false, 600, 600, false, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.width << " x " << row.height
                                        << (row.padding ? " padded" : " unpadded"));
        const std::string source = folder.File("white.png");
        Solid(row.width, row.height, white).pngsave(source.c_str());
        ASSERT_EQ(ConvertImage(Frame(800, 600, row.padding), source, out), 1);
        const VImage result = Decode(out);
        EXPECT_EQ(result.width(), row.outWidth);
        EXPECT_EQ(result.height(), row.outHeight);
        EXPECT_EQ(DarkBands(result, row.bandsAreRows), std::make_pair(row.first, row.second));
        EXPECT_EQ(DarkBands(result, !row.bandsAreRows), std::make_pair(0, 0));
        EXPECT_TRUE(Near(PixelAt(result, row.outWidth / 2, row.outHeight / 2), white, 3));
    }
}

// The padding colour is 0x00BBGGRR with red in the lowest byte; the top byte
// is ignored. A byte-order fault would turn the default blue 200 into red.
TEST_F(ConvertImageTest, PaddingColourHasRedInTheLowestByte) {
    const std::pair<std::uint32_t, Rgb> rows[] = {
        {0x00C80000, blue200},         {0xFFC80000, blue200},      {0x000000FF, red},
        {0x0000C800, {0, 200, 0}},     {0x00123456, {86, 52, 18}}, {0x00000000, black},
        {0x00FFFFFF, {255, 255, 255}},
    };
    const std::string source = folder.File("grey.png");
    Solid(1000, 700, {128, 128, 128}).pngsave(source.c_str());
    for (const auto& [colour, expected] : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << colour);
        ASSERT_EQ(ConvertImage(Frame(800, 600, true, colour), source, out), 1);
        const VImage result = Decode(out);
        EXPECT_LE(LargestDeviation(result.extract_area(0, 0, 800, 16), expected), jpegTolerance);
        EXPECT_LE(LargestDeviation(result.extract_area(0, 584, 800, 16), expected), jpegTolerance);
    }
    EXPECT_EQ(FrameSettings{}.paddingColor, 0x00C80000u);
}

// Transparent pixels come out in the padding colour, or black with padding
// off; the output has no alpha.
TEST_F(ConvertImageTest, TransparentPixelsTakeThePaddingColour) {
    // Left half fully transparent (over a red that must not show), right half
    // opaque green.
    const VImage alpha = SplitColumns(100, 75, 50, {0}, {255}).extract_band(0);
    const VImage colour = SplitColumns(100, 75, 50, red, {0, 160, 0});
    const VImage rgba = colour.bandjoin(alpha);
    const VImage greyAlpha =
        SplitColumns(100, 75, 50, {0}, {160})
            .extract_band(0)
            .bandjoin(alpha)
            .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_B_W));

    struct Row {
        std::string name;
        VImage image;
        Rgb opaque;
    };
    const VImage p3Rgba = rgba.icc_transform("p3", VImage::option()->set("input_profile", "srgb"));
    const Row rows[] = {{"rgba.png", rgba, {0, 160, 0}},
                        {"p3-rgba.png", p3Rgba, {0, 160, 0}},
                        {"rgba.webp", rgba, {0, 160, 0}},
                        {"grey-alpha.png", greyAlpha, {160, 160, 160}}};
    for (const Row& row : rows) {
        for (bool padding : {true, false}) {
            SCOPED_TRACE(row.name + (padding ? " padded" : " unpadded"));
            const std::string source = folder.File(row.name);
            row.image.write_to_file(
                (source + (row.name.ends_with(".webp") ? "[lossless]" : "")).c_str());
            ASSERT_EQ(ConvertImage(Frame(800, 600, padding, 0x00C80000), source, out), 1);
            const VImage result = Decode(out);
            EXPECT_EQ(result.bands(), 3);
            EXPECT_TRUE(Near(PixelAt(result, 200, 300), padding ? blue200 : black, jpegTolerance));
            EXPECT_TRUE(Near(PixelAt(result, 600, 300), row.opaque, jpegTolerance));
        }
    }
}

// A 1 x 10000 strip draws 0 pixels wide in 800 x 600: padded, the output is a
// plain field of the padding colour; unpadded there is nothing to write.
TEST_F(ConvertImageTest, PictureTooThinToDraw) {
    const std::string source = folder.File("strip.png");
    Solid(1, 10000, white).pngsave(source.c_str());

    ASSERT_EQ(ConvertImage(Frame(800, 600, true), source, out), 1);
    const VImage result = Decode(out);
    EXPECT_EQ(result.width(), 800);
    EXPECT_EQ(result.height(), 600);
    EXPECT_LE(LargestDeviation(result, blue200), jpegTolerance);

    std::filesystem::remove(out);
    EXPECT_EQ(ConvertImage(Frame(800, 600, false), source, out), 0);
    EXPECT_EQ(folder.Entries(), std::vector<std::string>{"strip.png"});

    // Nothing of it shows, yet a damaged strip still fails.
    const std::string truncated = folder.File("strip-cut.png");
    const std::string bytes = ReadBytes(source);
    WriteBytes(truncated, bytes.substr(0, bytes.size() / 2));
    EXPECT_EQ(ConvertImage(Frame(800, 600, true), truncated, out), 0);
    EXPECT_FALSE(std::filesystem::exists(out));
}

// A frame side must be 1 to 65500 (the largest JPEG side); otherwise nothing
// is written, with padding on or off.
TEST_F(ConvertImageTest, FrameSidesOutsideJpegLimits) {
    const std::string source = folder.File("small.png");
    Solid(100, 100, white).pngsave(source.c_str());
    struct Row {
        int width, height, result;
    };
    const Row rows[] = {{0, 600, 0},     {800, 0, 0},        {0, 0, 0},     {-800, 600, 0},
                        {800, -600, 0},  {-1, -1, 0},        {65501, 1, 0}, {1, 65501, 0},
                        {70000, 600, 0}, {2147483647, 1, 0}, {65500, 1, 1}, {1, 1, 1}};
    for (const Row& row : rows) {
        for (bool padding : {true, false}) {
            SCOPED_TRACE(testing::Message()
                         << row.width << " x " << row.height << " padding " << padding);
            EXPECT_EQ(ConvertImage(Frame(row.width, row.height, padding), source, out), row.result);
            EXPECT_EQ(std::filesystem::exists(out), row.result == 1);
            std::filesystem::remove(out);
        }
    }
}

// Whatever is no good picture fails and writes nothing: not a picture, a
// missing file, a folder, truncated or damaged data.
TEST_F(ConvertImageTest, FailsOnWhatIsNoGoodPicture) {
    const std::string good = folder.File("good.jpg");
    SplitRows(640, 480, 100, red, white).jpegsave(good.c_str());
    const std::string jpeg = ReadBytes(good);
    const std::string png = [&] {
        SplitRows(640, 480, 100, red, white).pngsave(folder.File("good.png").c_str());
        return ReadBytes(folder.File("good.png"));
    }();
    const std::string gif = [&] {
        SplitRows(640, 480, 100, red, white).gifsave(folder.File("good.gif").c_str());
        return ReadBytes(folder.File("good.gif"));
    }();

    const std::pair<std::string, std::string> files[] = {
        {"text.jpg", "This is a plain text file, not a picture.\n"},
        {"empty.png", ""},
        {"cut.jpg", jpeg.substr(0, jpeg.size() * 6 / 10)},
        {"header-only.jpg", jpeg.substr(0, 700)},
        {"cut.png", png.substr(0, png.size() / 2)},
        {"cut.gif", gif.substr(0, gif.size() / 2)},
        {"fake.bmp", "BM but nothing of a bitmap follows"},
    };
    const std::filesystem::path outFolder = folder.File("out");
    std::filesystem::create_directory(outFolder);
    const std::string output = outFolder / "result.jpg";
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        WriteBytes(folder.File(name), bytes);
        EXPECT_EQ(ConvertGuarded(Frame(800, 600), folder.File(name), output), 0);
    }
    EXPECT_EQ(ConvertImage(Frame(800, 600), folder.File("missing.jpg"), output), 0);
    EXPECT_EQ(ConvertImage(Frame(800, 600), folder.Path(), output), 0);
    EXPECT_EQ(ConvertImage(Frame(800, 600), "", output), 0);
    EXPECT_TRUE(std::filesystem::is_empty(outFolder));

    // The intact file converts, so the failures above are the damage's.
    EXPECT_EQ(ConvertImage(Frame(800, 600), good, output), 1);
}

// A header that promises an enormous picture over a few bytes of data fails
// at once instead of grinding through the promised pixels. (A JPEG whose
// data stops early but is closed by an end-of-image marker is only a warning
// to libjpeg, at the level that also flags harmless stray bytes; it decodes
// with grey filler like any other picture with a damaged data segment.)
TEST_F(ConvertImageTest, EnormousHeaderFailsFast) {
    // 60000 x 60000 in the PNG header (IHDR at byte 16, its CRC after it).
    Solid(16, 16, white).pngsave(folder.File("small.png").c_str());
    std::string png = ReadBytes(folder.File("small.png"));
    PutBigEndian(png, 16, 60000, 4);
    PutBigEndian(png, 20, 60000, 4);
    PutBigEndian(png, 29, Crc32(png.substr(12, 17)), 4);
    WriteBytes(folder.File("huge.png"), png);

    // 60000 x 60000 in a baseline JPEG's frame header.
    Solid(16, 16, white).jpegsave(folder.File("small.jpg").c_str());
    std::string jpeg = ReadBytes(folder.File("small.jpg"));
    const std::size_t sof = jpeg.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    PutBigEndian(jpeg, sof + 5, 60000, 2);
    PutBigEndian(jpeg, sof + 7, 60000, 2);
    WriteBytes(folder.File("huge.jpg"), jpeg.substr(0, jpeg.size() - 2));

    for (const char* name : {"huge.png", "huge.jpg"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(VImage::new_from_file(folder.File(name).c_str()).width(), 60000);
        EXPECT_EQ(ConvertGuarded(Frame(800, 600), folder.File(name), out), 0);
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

// The offered formats load (GIF and TIFF with their first page); the other
// formats libvips recognises are refused, whatever the file is called, and
// ImageMagick is reached for BMP only.
TEST_F(ConvertImageTest, OffersTheseFormatsOnly) {
    const Rgb colour = {40, 150, 90};
    const VImage picture = Solid(64, 48, colour);
    const VImage twoPages = Pages({picture, Solid(64, 48, red)});
    using Save = std::function<void(const std::string&)>;
    struct Row {
        std::string name;
        Save save;
    };
    const Row offered[] = {
        {"a.jpg", [&](const std::string& p) { picture.jpegsave(p.c_str()); }},
        {"a.png", [&](const std::string& p) { picture.pngsave(p.c_str()); }},
        {"a.gif", [&](const std::string& p) { twoPages.gifsave(p.c_str()); }},
        {"a.webp",
         [&](const std::string& p) { picture.write_to_file((p + "[lossless]").c_str()); }},
        {"a.tif", [&](const std::string& p) { twoPages.tiffsave(p.c_str()); }},
        {"a.heic",
         [&](const std::string& p) { picture.write_to_file((p + "[lossless]").c_str()); }},
        {"a.avif",
         [&](const std::string& p) { picture.write_to_file((p + "[lossless]").c_str()); }},
        {"a.jxl", [&](const std::string& p) { picture.write_to_file((p + "[lossless]").c_str()); }},
        {"a.bmp",
         [&](const std::string& p) {
             picture.magicksave(p.c_str(), VImage::option()->set("format", "bmp"));
         }},
        {"bmp-named.png",
         [&](const std::string& p) {
             picture.magicksave(p.c_str(), VImage::option()->set("format", "bmp"));
         }},
    };
    for (const Row& row : offered) {
        SCOPED_TRACE(row.name);
        const std::string source = folder.File(row.name);
        row.save(source);
        ASSERT_EQ(ConvertImage(Frame(64, 48), source, out), 1);
        EXPECT_LE(LargestDeviation(Decode(out), colour), 10);
    }

    std::filesystem::remove(out);
    const std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"48\">"
                            "<rect width=\"64\" height=\"48\" fill=\"green\"/></svg>\n";
    const std::string pdf = "%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n"
                            "2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n"
                            "3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 64 48]>>endobj\n"
                            "trailer<</Root 1 0 R>>\n%%EOF\n";
    const Row refused[] = {
        {"a.svg", [&](const std::string& p) { WriteBytes(p, svg); }},
        {"svg-named.png", [&](const std::string& p) { WriteBytes(p, svg); }},
        {"a.pdf", [&](const std::string& p) { WriteBytes(p, pdf); }},
        {"a.ppm", [&](const std::string& p) { picture.ppmsave(p.c_str()); }},
        {"ppm-named.jpg", [&](const std::string& p) { picture.ppmsave(p.c_str()); }},
        {"a.v", [&](const std::string& p) { picture.vipssave(p.c_str()); }},
        {"a.hdr", [&](const std::string& p) { picture.radsave(p.c_str()); }},
        {"a.pcx",
         [&](const std::string& p) {
             picture.magicksave(p.c_str(), VImage::option()->set("format", "pcx"));
         }},
        {"pcx-named.bmp",
         [&](const std::string& p) {
             picture.magicksave(p.c_str(), VImage::option()->set("format", "pcx"));
         }},
    };
    for (const Row& row : refused) {
        SCOPED_TRACE(row.name);
        const std::string source = folder.File(row.name);
        row.save(source);
        // libvips knows how to open it, so the refusal is the program's.
        EXPECT_NE(vips_foreign_find_load(source.c_str()), nullptr);
        vips_error_clear();
        EXPECT_EQ(ConvertImage(Frame(64, 48), source, out), 0);
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

// File names are the file system's bytes, taken as they are: brackets are no
// load options, a colon no format prefix, and names need not be UTF-8.
TEST_F(ConvertImageTest, TakesFileNamesAsTheyAre) {
    const std::string names[] = {"with space.png", "options[shrink=2].png", "bmp:colon.png",
                                 "-dash.png",      "latin1-\xE9t\xE9.png",  "trailing]",
                                 "x.png[0]"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string source = folder.File(name);
        Solid(64, 48, red).pngsave(source.c_str());
        const std::string output = folder.File(name + ".jpg");
        ASSERT_EQ(ConvertImage(Frame(64, 48), source, output), 1);
        EXPECT_EQ(Decode(output).width(), 64);
    }
}

// Pictures come out as a viewer shows them: the EXIF orientation is applied
// before fitting (a 600 x 400 picture with orientation 6 fits as 400 x 600)
// and no orientation tag is left in the output. The stored picture has its
// top-left quarter red; each row says in which quarter it must show. The
// picture is turned before scaling when enlarged and after when reduced, and
// the last row is large enough to be turned on disk.
TEST_F(ConvertImageTest, TurnsPicturesUpright) {
    enum Quarter { TopLeft, TopRight, BottomLeft, BottomRight };
    struct Row {
        int orientation;
        Quarter red;
        int storedWidth, storedHeight;
        double frameScale; // frame = displayed size x this
    };
    const Row rows[] = {
        {1, TopLeft, 600, 400, 1},       {2, TopRight, 600, 400, 1},
        {3, BottomRight, 600, 400, 1},   {4, BottomLeft, 600, 400, 1},
        {5, TopLeft, 600, 400, 1},       {6, TopRight, 600, 400, 1},
        {7, BottomRight, 600, 400, 1},   {8, BottomLeft, 600, 400, 1},
        {6, TopRight, 600, 400, 2.5},    {8, BottomLeft, 600, 400, 0.5},
        {3, BottomRight, 600, 400, 0.5}, {6, TopRight, 7500, 5000, 0.98},
    };
    const std::string source = folder.File("phone.jpg");
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << "orientation " << row.orientation << ", " << row.storedWidth << " x "
                     << row.storedHeight << " into " << row.frameScale);
        const int w = row.storedWidth;
        const int h = row.storedHeight;
        SaveWithOrientation(Solid(w, h, blue200).insert(Solid(w / 2, h / 2, red), 0, 0),
                            row.orientation, source);
        const bool turned = row.orientation >= 5;
        const int width = int((turned ? h : w) * row.frameScale);
        const int height = int((turned ? w : h) * row.frameScale);
        ASSERT_EQ(ConvertImage(Frame(width, height), source, out), 1);
        const VImage result = Decode(out);
        ASSERT_EQ(result.width(), width);
        ASSERT_EQ(result.height(), height);
        for (Quarter q : {TopLeft, TopRight, BottomLeft, BottomRight}) {
            const int x = (q == TopRight || q == BottomRight) ? width * 3 / 4 : width / 4;
            const int y = (q == BottomLeft || q == BottomRight) ? height * 3 / 4 : height / 4;
            EXPECT_TRUE(Near(PixelAt(result, x, y), q == row.red ? red : blue200, jpegTolerance))
                << "quarter " << q;
        }
        EXPECT_EQ(result.get_typeof(VIPS_META_ORIENTATION), 0u);
        for (const JpegSegment& segment : ReadJpegSegments(out)) {
            EXPECT_NE(segment.marker, 0xE1) << "EXIF left in the output";
        }
    }
}

// The JFIF header carries the source's resolution in dots per inch, rounded;
// a source without one gives 72. Nothing else of the source's metadata (EXIF,
// XMP, colour profile, comments) reaches the output.
TEST_F(ConvertImageTest, JfifResolutionAndNoOtherMetadata) {
    const auto withResolution = [](double xDpi, double yDpi) {
        return Solid(300, 200, {90, 120, 150})
            .copy(VImage::option()->set("xres", xDpi / 25.4)->set("yres", yDpi / 25.4));
    };
    struct Row {
        std::string name;
        std::function<void(const std::string&)> save;
        int xDpi, yDpi;
    };
    const Row rows[] = {
        {"300.png", [&](const std::string& p) { withResolution(300, 300).pngsave(p.c_str()); }, 300,
         300},
        {"300x150.jpg", [&](const std::string& p) { withResolution(300, 150).jpegsave(p.c_str()); },
         300, 150},
        {"96.tif", [&](const std::string& p) { withResolution(96, 96).tiffsave(p.c_str()); }, 96,
         96},
        {"299.6.png",
         [&](const std::string& p) { withResolution(299.6, 599.4).pngsave(p.c_str()); }, 300, 599},
        {"none.jpg",
         [&](const std::string& p) {
             Solid(300, 200, white).jpegsave(p.c_str(), VImage::option()->set("strip", true));
         },
         72, 72},
        {"none.gif", [&](const std::string& p) { Solid(300, 200, white).gifsave(p.c_str()); }, 72,
         72},
        {"none.png", [&](const std::string& p) { Solid(300, 200, white).pngsave(p.c_str()); }, 72,
         72},
        // Every kind of metadata libvips writes, plus a colour profile.
        {"tagged.jpg",
         [&](const std::string& p) {
             VImage image = withResolution(200, 200).icc_transform(
                 "p3", VImage::option()->set("input_profile", "srgb"));
             static char xmp[] = "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>";
             image.set("xmp-data", nullptr, xmp, sizeof xmp - 1);
             image.set("orientation", 1);
             image.jpegsave(p.c_str());
         },
         200, 200},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string source = folder.File(row.name);
        row.save(source);
        ASSERT_EQ(ConvertImage(Frame(800, 600), source, out), 1);
        const std::vector<JpegSegment> segments = ReadJpegSegments(out);
        ASSERT_GE(segments.size(), 2u);
        const JpegSegment& app0 = segments.front();
        ASSERT_EQ(app0.marker, 0xE0);
        ASSERT_EQ(app0.payload.size(), 14u);
        EXPECT_EQ(std::string(app0.payload.begin(), app0.payload.begin() + 5),
                  std::string("JFIF\0", 5));
        EXPECT_EQ(app0.payload[5], 1); // version 1.01
        EXPECT_EQ(app0.payload[6], 1);
        EXPECT_EQ(app0.payload[7], 1); // dots per inch
        EXPECT_EQ(app0.payload[8] << 8 | app0.payload[9], row.xDpi);
        EXPECT_EQ(app0.payload[10] << 8 | app0.payload[11], row.yDpi);
        for (const JpegSegment& segment : segments) {
            const bool allowed = segment.marker == 0xDB || segment.marker == 0xC0 ||
                                 segment.marker == 0xC4 || segment.marker == 0xDA;
            EXPECT_TRUE(allowed || &segment == &app0)
                << "unexpected marker " << std::hex << int(segment.marker);
        }
    }
}

// Quality 80 is the standard IJG tables scaled for 80; the file is a baseline
// JPEG of three 8-bit components with 4:2:0 chroma.
TEST_F(ConvertImageTest, EncodesBaselineQuality80With420) {
    const std::string source = folder.File("source.png");
    SplitColumns(1000, 700, 300, red, {20, 200, 40}).pngsave(source.c_str());
    ASSERT_EQ(ConvertImage(Frame(800, 600), source, out), 1);
    const std::vector<JpegSegment> segments = ReadJpegSegments(out);

    const std::vector<std::vector<int>> tables = QuantisationTables(segments);
    const auto expected = IjgTablesForQuality80();
    ASSERT_EQ(tables.size(), 2u);
    EXPECT_EQ(tables[0], expected[0]);
    EXPECT_EQ(tables[1], expected[1]);
    EXPECT_EQ(tables[0][0], 6);   // 16 at 40 percent
    EXPECT_EQ(tables[1][63], 40); // 99 at 40 percent

    int frames = 0;
    for (const JpegSegment& segment : segments) {
        EXPECT_FALSE(segment.marker >= 0xC1 && segment.marker <= 0xCF && segment.marker != 0xC4 &&
                     segment.marker != 0xC8 && segment.marker != 0xCC)
            << "not baseline: " << std::hex << int(segment.marker);
        if (segment.marker != 0xC0) {
            continue;
        }
        ++frames;
        const std::vector<std::uint8_t>& sof = segment.payload;
        ASSERT_EQ(sof.size(), 15u);
        EXPECT_EQ(sof[0], 8); // bits per sample
        EXPECT_EQ(sof[1] << 8 | sof[2], 600);
        EXPECT_EQ(sof[3] << 8 | sof[4], 800);
        EXPECT_EQ(sof[5], 3);
        EXPECT_EQ(sof[7], 0x22); // luma sampled 2 x 2
        EXPECT_EQ(sof[10], 0x11);
        EXPECT_EQ(sof[13], 0x11);
    }
    EXPECT_EQ(frames, 1);
}

// Whatever the source's depth, bands and colour space, the output is 8-bit
// 3-band sRGB with the colours a viewer shows: embedded profiles are honoured
// (Display P3 red is sRGB red, not the P3 numbers), untagged CMYK goes through
// a CMYK profile.
TEST_F(ConvertImageTest, BringsEveryPictureToEightBitSrgb) {
    const auto grey = [](int level, VipsBandFormat format, VipsInterpretation interpretation) {
        VImage image = VImage::black(64, 48).new_from_image(level);
        if (format == VIPS_FORMAT_USHORT) {
            image = (image.cast(VIPS_FORMAT_USHORT) * 257).cast(VIPS_FORMAT_USHORT);
        }
        return image.copy(VImage::option()->set("interpretation", interpretation));
    };
    const VImage rgb16 =
        (Solid(64, 48, {200, 100, 50}).cast(VIPS_FORMAT_USHORT) * 257)
            .cast(VIPS_FORMAT_USHORT)
            .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16));
    const VImage srgbRed = Solid(64, 48, red);
    const VImage p3Red =
        srgbRed.icc_transform("p3", VImage::option()->set("input_profile", "srgb"));
    VImage cmyk =
        srgbRed.icc_transform("cmyk", VImage::option()->set("input_profile", "srgb")).copy();
    cmyk.remove(VIPS_META_ICC_NAME);

    struct Row {
        std::string name;
        VImage image;
        Rgb expected;
    };
    const Row rows[] = {
        {"rgb16.png", rgb16, {200, 100, 50}},
        {"rgb16.tif", rgb16, {200, 100, 50}},
        {"grey.png", grey(100, VIPS_FORMAT_UCHAR, VIPS_INTERPRETATION_B_W), {100, 100, 100}},
        {"grey.jpg", grey(100, VIPS_FORMAT_UCHAR, VIPS_INTERPRETATION_B_W), {100, 100, 100}},
        {"grey16.png", grey(100, VIPS_FORMAT_USHORT, VIPS_INTERPRETATION_GREY16), {100, 100, 100}},
        {"grey16.tif", grey(100, VIPS_FORMAT_USHORT, VIPS_INTERPRETATION_GREY16), {100, 100, 100}},
        {"palette.png", Solid(64, 48, {200, 30, 60}), {200, 30, 60}},
        {"cmyk.jpg", cmyk, {236, 33, 40}},
        {"cmyk.tif", cmyk, {236, 33, 40}},
        {"p3.png", p3Red, red},
        {"p3.jpg", p3Red, red},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string source = folder.File(row.name);
        const std::string options = row.name == "palette.png" ? "[palette]" : "";
        row.image.write_to_file((source + options).c_str());
        ASSERT_EQ(ConvertImage(Frame(64, 48), source, out), 1);

        int components = 0;
        for (const JpegSegment& segment : ReadJpegSegments(out)) {
            if (segment.marker == 0xC0) {
                components = segment.payload.at(5);
            }
        }
        EXPECT_EQ(components, 3);
        const VImage result = Decode(out);
        EXPECT_EQ(result.bands(), 3);
        EXPECT_EQ(result.format(), VIPS_FORMAT_UCHAR);
        EXPECT_LE(LargestDeviation(result, row.expected), jpegTolerance);
    }
}

// The output appears whole or not at all: an existing file is replaced, the
// new file gets the usual mode (0666 less the umask), and a failed conversion
// leaves an earlier output exactly as it was and no temporary file behind.
TEST_F(ConvertImageTest, ReplacesOutputWholeOrNotAtAll) {
    const std::string source = folder.File("source.png");
    Solid(320, 240, red).pngsave(source.c_str());
    const std::filesystem::path outFolder = folder.File("out");
    std::filesystem::create_directory(outFolder);
    const std::string output = outFolder / "source.jpg";

    WriteBytes(output, "an older file of the same name");
    const mode_t before = umask(022);
    EXPECT_EQ(ConvertImage(Frame(800, 600), source, output), 1);
    struct stat info {};
    ASSERT_EQ(stat(output.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    EXPECT_TRUE(IsJpeg(output));
    EXPECT_EQ(Decode(output).width(), 800);

    umask(077);
    EXPECT_EQ(ConvertImage(Frame(400, 300), source, output), 1);
    ASSERT_EQ(stat(output.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    umask(before);
    EXPECT_EQ(Decode(output).width(), 400);

    const std::string good = ReadBytes(output);
    const std::string cut = folder.File("cut.jpg");
    Solid(2000, 1500, white).jpegsave(cut.c_str());
    const std::string whole = ReadBytes(cut);
    WriteBytes(cut, whole.substr(0, whole.size() / 2));
    WriteBytes(folder.File("text.png"), "no picture");
    struct Failure {
        std::string source;
        FrameSettings settings;
    };
    const Failure failures[] = {{cut, Frame(800, 600)},
                                {folder.File("text.png"), Frame(800, 600)},
                                {folder.File("missing.png"), Frame(800, 600)},
                                {source, Frame(0, 600)},
                                {source, Frame(70000, 600)}};
    for (const Failure& failure : failures) {
        SCOPED_TRACE(failure.source);
        EXPECT_EQ(ConvertImage(failure.settings, failure.source, output), 0);
        EXPECT_EQ(ReadBytes(output), good);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(outFolder), {}), 1);
    }

    // An output folder that is missing, or an output path that is a folder.
    EXPECT_EQ(ConvertImage(Frame(800, 600), source, folder.File("nowhere/x.jpg")), 0);
    EXPECT_FALSE(std::filesystem::exists(folder.File("nowhere")));
    EXPECT_EQ(ConvertImage(Frame(800, 600), source, outFolder), 0);
    EXPECT_TRUE(std::filesystem::is_directory(outFolder));
    EXPECT_EQ(ReadBytes(output), good);
}
