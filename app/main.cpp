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
#include <QLockFile>
#include <QStandardPaths>
#include <QSysInfo>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

constexpr int handoverTimeoutMs = 5000;

// Empty when the user has no runtime folder: the dialog then runs on its own.
QString SocketPath() {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        return {};
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
    return InstanceSocketPath(runtime, QStringLiteral(QUILLMERE_APP_ID),
                              wayland.isEmpty() ? qEnvironmentVariable("DISPLAY") : wayland);
}

/*
 * Hands files to the dialog already running on this desktop, or else makes
 * server the one that later starts hand theirs to; the lock keeps two starts
 * at one moment from both taking the socket. Gives the exit status when this
 * start is over.
 */
std::optional<int> HandToRunningDialog(InstanceServer& server,
                                       const std::vector<DroppedItem>& files,
                                       EndSignals& endSignals) {
    const QString socketPath = SocketPath();
    if (socketPath.isEmpty())
        return std::nullopt;
    QLockFile startLock(socketPath + QStringLiteral(".lock"));
    startLock.tryLock(2 * handoverTimeoutMs);
    switch (HandOver(socketPath, files, handoverTimeoutMs)) {
    case Handover::taken:
        return 0;
    case Handover::refused:
        std::fprintf(stderr, "quillmere: the running Quillmere did not answer, so it will not "
                             "convert the files\n");
        return 1;
    case Handover::noListener:
        break;
    }
    // From here on a logout ends the dialog the usual way, socket and all.
    endSignals.Deliver();
    if (!server.Listen(socketPath))
        std::fprintf(stderr,
                     "quillmere: cannot listen at %s; a second start will open a second "
                     "dialog\n",
                     qPrintable(socketPath));
    return std::nullopt;
}

} // namespace

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
