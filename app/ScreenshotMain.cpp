// Renders the dialog as it opens into a PNG file, for the README's picture.
// Run it with QT_QPA_PLATFORM=offscreen; scripts/screenshot does.
#include "MessageBoxPrompts.h"
#include "PosixFileSystem.h"
#include "ResizerDialog.h"

#include <QApplication>

#include <cstdio>
#include <memory>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Quillmere"));
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }

    MessageBoxPrompts prompts;
    PosixFileSystem fileSystem;
    ResizerDialog dialog({
        .prompts = prompts,
        .fileSystem = fileSystem,
        .convert = [](const FrameSettings&, const std::string&, const std::string&) { return 0; },
        // Nothing is converted here, so the imaging library is not needed.
        .startImaging = [] { return std::make_shared<int>(0); },
    });
    dialog.show();
    QApplication::processEvents();
    if (!dialog.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
