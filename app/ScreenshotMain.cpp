// Renders the dialog as it opens into a PNG file, for the README's picture:
// with two sample profiles in a throw-away settings folder, so the picture
// shows one loaded. Run it with QT_QPA_PLATFORM=offscreen; scripts/screenshot
// does.
#include "MessageBoxPrompts.h"
#include "PosixFileSystem.h"
#include "ProfileStore.h"
#include "ResizerDialog.h"

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

int main(int argc, char* argv[]) {
    // Never the person's own settings.
    const QTemporaryDir settings;
    if (!settings.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settings.path()));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());

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

    MessageBoxPrompts prompts;
    PosixFileSystem fileSystem;
    ResizerDialog dialog({
        .prompts = prompts,
        .fileSystem = fileSystem,
        .encode = [](const FrameSettings&, const std::string&,
                     std::stop_token) { return Encoded{}; },
        // Nothing is converted here, so the imaging library is not needed.
        .startImaging = [] { return std::make_shared<int>(0); },
        .store = store,
    });
    dialog.show();
    QApplication::processEvents();
    if (!dialog.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
