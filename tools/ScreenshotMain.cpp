// Renders the dialog into a PNG file, for the README's picture: with sample
// profiles in a throw-away settings folder, so the picture shows one loaded,
// and in the middle of a drop of twenty pictures, so it shows the status row
// at work. Nothing is read or written: the pictures are pretended. Run it
// with QT_QPA_PLATFORM=offscreen; scripts/screenshot does.
#include "MessageBoxPrompts.h"
#include "PosixFileSystem.h"
#include "ProfileStore.h"
#include "ResizerDialog.h"
#include "ThrowAwaySettings.h"

#include <QApplication>
#include <QProgressBar>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

int main(int argc, char* argv[]) {
    const ThrowAwaySettings settings;
    if (!settings.IsValid())
        return 1;

    QApplication application(argc, argv);
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Quillmere"));
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }

    const ProfileStore store("quillmere");
    ProfileList samples;
    samples.Add({"Photo Frame", 1, 0x00B48246, 1024, 768});
    samples.Add({"Beach", 1, 0x00E6D8AD, 1200, 900});
    samples.Add({"Thumbnails", 0, 0x00000000, 320, 240});
    if (!store.SaveProfiles(samples)) {
        std::fprintf(stderr, "%s: cannot write the sample profiles\n", argv[0]);
        return 1;
    }

    // Every picture is there and every folder too; writing takes no time.
    struct PretendFiles final : PosixFileSystem {
        std::string SourceProblem(const std::string&) override { return {}; }
        bool Exists(const std::string&) override { return true; }
        std::string WriteOutput(const std::string&, const std::string&,
                                std::span<const unsigned char>) override {
            return {};
        }
    } fileSystem;
    MessageBoxPrompts prompts;
    ResizerDialog dialog({
        .prompts = prompts,
        .fileSystem = fileSystem,
        // The third picture takes until the dialog goes.
        .encode =
            [](const FrameSettings&, const std::string& source, std::stop_token stop) {
                while (source.ends_with("beach-3.jpg") && !stop.stop_requested())
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                return Encoded{{'j'}, {}};
            },
        // Nothing is decoded here, so the imaging library is not needed.
        .startImaging = [] { return std::make_shared<int>(0); },
        .store = store,
    });
    dialog.show();
    std::vector<DroppedItem> drop;
    for (int i = 1; i <= 20; ++i)
        drop.push_back({"/home/me/Pictures/beach-" + std::to_string(i) + ".jpg", true});
    // An earlier drop of four went into Holidays/Quillmere, and a third waits.
    std::vector<DroppedItem> earlier;
    for (int i = 1; i <= 4; ++i)
        earlier.push_back({"/home/me/Pictures/Holidays/sea-" + std::to_string(i) + ".jpg", true});
    dialog.AcceptDrop(earlier);
    dialog.AcceptDrop(drop);
    dialog.AcceptDrop({{"/home/me/Pictures/dune.jpg", true}});
    const auto* progress = dialog.findChild<QProgressBar*>(QStringLiteral("progressBatch"));
    while (progress->format() != QStringLiteral("3 of 20: beach-3.jpg"))
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    QApplication::processEvents();
    if (!dialog.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
