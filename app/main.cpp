#include "AppIcon.h"
#include "ConvertImage.h"
#include "ImagingSession.h"
#include "MessageBoxPrompts.h"
#include "PosixFileSystem.h"
#include "ProfileStore.h"
#include "ResizerDialog.h"

#include <QApplication>

#include <memory>

int main(int argc, char* argv[]) {
    // The application name stays the program file's base name: it names the
    // profile store. People see the display name.
    QApplication application(argc, argv);
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Quillmere"));
    QGuiApplication::setDesktopFileName(QStringLiteral(QUILLMERE_APP_ID));
    QApplication::setWindowIcon(AppIcon());

    MessageBoxPrompts prompts;
    PosixFileSystem fileSystem;
    const ProfileStore store(QCoreApplication::applicationName().toStdString());
    ResizerDialog dialog({
        .prompts = prompts,
        .fileSystem = fileSystem,
        .encode =
            [](const FrameSettings& settings, const std::string& source, std::stop_token stop) {
                return EncodeImage(settings, source, std::move(stop));
            },
        .startImaging = []() -> ImagingToken {
            auto session = std::make_shared<ImagingSession>();
            return session->Started() ? session : nullptr;
        },
        .store = store,
    });
    dialog.exec();
    return 0;
}
