#include "Lookahead.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace std::chrono_literals;

// While the loop stays at the first item, the workers run as far ahead as small JPEGs allow, and
// only twice the jobs ahead when the finished JPEGs are large.
TEST(Lookahead, RunsAheadAsFarAsTheHeldJpegsAllow) {
    struct Row {
        const char* name;
        std::size_t jpegBytes;
        std::size_t started;
    };
    for (const Row& row : {Row{"small JPEGs", 100'000, 16}, Row{"large JPEGs", 20'000'000, 4}}) {
        SCOPED_TRACE(row.name);
        const std::vector<DroppedItem> drop(40, DroppedItem{"/a.png"});
        std::atomic<std::size_t> started{0};
        const Encoder encode = [&](const std::string&, std::stop_token) {
            ++started;
            Encoded jpeg;
            jpeg.bytes.resize(row.jpegBytes);
            return jpeg;
        };
        Lookahead ahead(drop, std::vector<std::size_t>(drop.size()), encode, 2, {});
        for (const auto end = std::chrono::steady_clock::now() + 10s;
             started < row.started && std::chrono::steady_clock::now() < end;)
            std::this_thread::sleep_for(1ms);
        std::this_thread::sleep_for(100ms); // time enough to start one too many
        EXPECT_EQ(started, row.started);
    }
}
