// Drops files on the real dialog, offscreen, and measures the batch for
// bench/dialog-batch: the wall time from the drop until the dialog is idle,
// and the longest time its event loop was kept from running meanwhile. The
// services are the program's own; the questions are answered as
// quillmere-cli --yes --keep-going answers them. Not installed.
//
//   quillmere-dialog-bench [--jobs N] [--width W] [--height H] FILE...
//
// Prints "name value" lines on stdout; exits 1 when a message came up (a
// failure), 2 on bad usage.
#include "EncodeImage.h"
#include "IntegerText.h"
#include "PosixFileSystem.h"
#include "ProfileStore.h"
#include "ResizerDialog.h"
#include "StartImaging.h"
#include "ThrowAwaySettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Often enough to see a block of a few milliseconds, seldom enough to cost
// the batch nothing.
constexpr auto tick = 5ms;

// Says Yes to each folder question and OK to each failure, so that every
// file gets its turn, and counts both.
class BenchPrompts final : public Prompts {
public:
    int ShowMessage(const std::string& text, unsigned style, const std::string& detail) override {
        if ((style & MessageStyle::ButtonsMask) == MessageStyle::YesNo) {
            ++questions;
            return IdYes;
        }
        ++messages;
        std::fprintf(stderr, "message: %s%s%s\n", text.c_str(), detail.empty() ? "" : ": ",
                     detail.c_str());
        return IdOk;
    }

    int questions = 0;
    int messages = 0;
};

struct Arguments {
    std::int32_t jobs = 0;
    std::int32_t width = 800;
    std::int32_t height = 600;
    std::vector<DroppedItem> drop;
};

std::optional<Arguments> ParseArguments(const std::vector<std::string>& arguments) {
    Arguments parsed;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--jobs" || argument == "--width" || argument == "--height") {
            std::int32_t& target = argument == "--jobs"    ? parsed.jobs
                                   : argument == "--width" ? parsed.width
                                                           : parsed.height;
            const std::int32_t most = argument == "--jobs" ? 64 : largestFrameSide;
            const auto value =
                i + 1 < arguments.size() ? ParseInteger(arguments[++i]) : std::nullopt;
            if (!value || *value < 1 || *value > most)
                return std::nullopt;
            target = *value;
        } else if (argument.starts_with("--")) {
            return std::nullopt;
        } else {
            // The batch takes paths whole, as the dialog gets them from a drop.
            parsed.drop.push_back({std::filesystem::absolute(argument).string(), true});
        }
    }
    if (parsed.drop.empty())
        return std::nullopt;
    return parsed;
}

} // namespace

int main(int argc, char* argv[]) {
    const ThrowAwaySettings settings;
    if (!settings.IsValid())
        return 1;

    QApplication application(argc, argv);
    const auto arguments = ParseArguments(std::vector<std::string>(argv, argv + argc));
    if (!arguments) {
        std::fprintf(stderr, "usage: %s [--jobs 1-64] [--width 1-%d] [--height 1-%d] FILE...\n",
                     argv[0], largestFrameSide, largestFrameSide);
        return 2;
    }

    // The frame comes as a profile, the one the dialog shows as it opens:
    // padding on, blue 200, like bench/run's.
    const ProfileStore store("quillmere");
    ProfileList frame;
    frame.Add({"Bench", 1, 0x00C80000, arguments->width, arguments->height});
    if (!store.SaveProfiles(frame)) {
        std::fprintf(stderr, "%s: cannot write the profile\n", argv[0]);
        return 1;
    }

    BenchPrompts prompts;
    PosixFileSystem fileSystem;
    ResizerDialog dialog({
        .prompts = prompts,
        .fileSystem = fileSystem,
        .encode = EncodeImage,
        .startImaging = StartImaging,
        .store = store,
        .jobs = arguments->jobs,
    });
    dialog.show();
    QApplication::processEvents();

    // A tick that comes late shows how long the loop was kept from it.
    QElapsedTimer clock;
    std::chrono::nanoseconds lastTick{};
    std::chrono::nanoseconds longestBlock{};
    std::chrono::nanoseconds batchTime{};
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(tick);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const std::chrono::nanoseconds now{clock.nsecsElapsed()};
        longestBlock = std::max(longestBlock, now - lastTick - tick);
        lastTick = now;
        if (dialog.Idle()) {
            batchTime = now;
            QApplication::quit();
        }
    });

    const std::size_t files = arguments->drop.size();
    clock.start();
    dialog.AcceptDrop(arguments->drop);
    ticker.start();
    QApplication::exec();

    const auto seconds = std::chrono::duration<double>(batchTime).count();
    const auto milliseconds = std::chrono::duration<double, std::milli>(longestBlock).count();
    std::printf("files %zu\n", files);
    std::printf("batch_s %.4f\n", seconds);
    std::printf("longest_block_ms %.1f\n", milliseconds);
    std::printf("folder_questions %d\n", prompts.questions);
    std::printf("messages %d\n", prompts.messages);
    return prompts.messages == 0 ? 0 : 1;
}
