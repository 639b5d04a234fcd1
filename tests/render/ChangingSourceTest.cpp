#include "EncodeImage.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <vips/vips8>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

namespace {

namespace fs = std::filesystem;

// A source cut short by someone else while it converts (a download being
// replaced, a sync tool) ends as damaged or as what was read, and the program
// goes on: the WebP and GIF decoders would read a mapped file past its new end.
TEST(ChangingSource, CutShortWhileConvertingNeverEndsTheProgram) {
    const fs::path folder = fs::temp_directory_path() / ("quillmere-cut-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const vips::VImage noise =
        vips::VImage::gaussnoise(2400, 1800, vips::VImage::option()->set("seed", 3))
            .cast(VIPS_FORMAT_UCHAR);
    for (const char* format : {".webp", ".gif"}) {
        std::string bytes;
        {
            g_autofree void* data = nullptr;
            std::size_t size = 0;
            ASSERT_EQ(vips_image_write_to_buffer(noise.get_image(), format, &data, &size, nullptr), 0);
            bytes.assign(static_cast<char*>(data), size);
        }
        const fs::path source = folder / (std::string("big") + format);
        for (int attempt = 0; attempt < 12; ++attempt) {
            SCOPED_TRACE(std::string(format) + " cut after " + std::to_string(attempt * 4) + " ms");
            std::ofstream(source, std::ios::binary | std::ios::trunc) << bytes;
            auto result = std::async(std::launch::async, EncodeImage, FrameSettings{}, source.string(),
                                     std::stop_token{});
            std::this_thread::sleep_for(std::chrono::milliseconds(attempt * 4));
            fs::resize_file(source, bytes.size() * 4 / 10);
            ASSERT_EQ(result.wait_for(std::chrono::seconds(60)), std::future_status::ready);
            const std::string failure = result.get().failure;
            EXPECT_TRUE(failure.empty() || failure == "the picture is damaged or cut short") << failure;
        }
    }
    fs::remove_all(folder);
}

} // namespace
