#include "AppIcon.h"
#include "ConvertImage.h"
#include "MessageBoxPrompts.h"
#include "PosixFileSystem.h"
#include "ProfileStore.h"
#include "ResizerDialog.h"
#include "StartImaging.h"

#include <QApplication>

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
        .encode = EncodeImage,
        .startImaging = StartImaging,
        .store = store,
    });
    dialog.exec();
    return 0;
}
