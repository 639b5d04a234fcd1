#include "AppIcon.h"
#include "EncodeImage.h"
#include "EndSignals.h"
#include "MessageBoxPrompts.h"
#include "PosixFileSystem.h"
#include "ProfileStore.h"
#include "ResizerDialog.h"
#include "SingleInstance.h"
#include "StartImaging.h"
#include "StartupFiles.h"
#include "WorkingFolder.h"

#include <QApplication>
#include <QSysInfo>

#include <cstdio>
#include <memory>
#include <optional>

int main(int argc, char* argv[]) {
    switch (AskedForInfo(std::vector<std::string>(argv + 1, argv + argc))) {
    case InfoAsked::help:
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    case InfoAsked::version:
        std::puts("quillmere " QUILLMERE_VERSION);
        return 0;
    case InfoAsked::none:
        break;
    }
    // The application name stays the program file's base name: it names the
    // profile store and the window class. People see the display name.
    QApplication application(argc, argv);
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Quillmere"));
    QGuiApplication::setDesktopFileName(QStringLiteral(QUILLMERE_APP_ID));
    QApplication::setWindowIcon(AppIcon());
    // Taken over before the socket is made; read once the dialog runs.
    EndSignals endSignals;

    // QApplication has taken its own options out of argv; the rest are bytes
    // of file names, which need not be UTF-8.
    const StartupRequest request = StartupFiles(std::vector<std::string>(argv + 1, argv + argc),
                                                WorkingFolder(), QSysInfo::machineHostName());
    if (!request.refusal.empty()) {
        std::fprintf(stderr, "quillmere: %s\nTry 'quillmere --help' for more information.\n",
                     request.refusal.c_str());
        return 2;
    }

    InstanceServer server;
    if (const auto status = HandToRunningDialog(server, request.files, endSignals))
        return *status;
    endSignals.Deliver(); // also without a runtime folder

    // Files handed over while the dialog is still being made wait with the
    // command line's own; all of them wait in the dialog for Convert.
    std::vector<std::vector<DroppedItem>> early;
    if (!request.files.empty())
        early.push_back(request.files);
    MessageBoxPrompts prompts;
    PosixFileSystem fileSystem;
    const ProfileStore store(QCoreApplication::applicationName().toStdString());
    std::optional<ResizerDialog> dialog;
    QObject::connect(&server, &InstanceServer::Arrived, [&](const std::vector<DroppedItem>& items) {
        if (!dialog) {
            if (!items.empty())
                early.push_back(items);
            return;
        }
        dialog->setWindowState(dialog->windowState() & ~Qt::WindowMinimized);
        dialog->raise();
        dialog->activateWindow();
        if (!items.empty())
            dialog->OfferFiles(items);
    });

    dialog.emplace(DialogServices{
        .prompts = prompts,
        .fileSystem = fileSystem,
        .encode = EncodeImage,
        .startImaging = StartImaging,
        .store = store,
    });
    prompts.SetOwner(&*dialog);
    QObject::connect(&*dialog, &QDialog::finished, &application, &QCoreApplication::quit);
    // A logout stops the batch and ends the program the usual way, so that
    // the socket goes with it; the event loops of open message boxes end too.
    QObject::connect(&endSignals, &EndSignals::Received, &*dialog, &ResizerDialog::EndSession);
    dialog->show();
    for (std::vector<DroppedItem>& files : early)
        dialog->OfferFiles(std::move(files));
    return application.exec();
}
