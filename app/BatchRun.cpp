#include "BatchRun.h"

#include "DroppedFolders.h"
#include "GuiThreadPrompts.h"
#include "PathParts.h"
#include "PosixFolderLister.h"

#include <exception>
#include <utility>

BatchRun::BatchRun(std::vector<DroppedItem> drop, const DialogServices& services,
                   FrameSettings settings, int jobs, QObject* parent)
    : QObject(parent), size(drop.size()) {
    thread = std::jthread([this, drop = std::move(drop), &services, settings, jobs]() mutable {
        Run(std::move(drop), services, settings, jobs);
    });
}

BatchRun::~BatchRun() {
    stop.request_stop();
    thread.join(); // before the signals' receiver can go
}

void BatchRun::Run(std::vector<DroppedItem> drop, const DialogServices& services,
                   FrameSettings settings, int jobs) {
    GuiThreadPrompts prompts(services.prompts, *this, stop.get_token());
    BatchOptions options;
    options.jobs = jobs;
    options.onItem = [this, names = PathParts()](std::size_t index, const DroppedItem& item) {
        const QString name =
            QString::fromUtf8(item.isLocalFile ? names.FileNamePart(item.path) : item.path);
        QMetaObject::invokeMethod(
            this, [this, index, name] { Q_EMIT ItemReached(index, name); }, Qt::QueuedConnection);
    };
    options.onLooking = [this](const std::string& folder, std::size_t picturesSoFar) {
        QMetaObject::invokeMethod(
            this,
            [this, name = QString::fromUtf8(folder), picturesSoFar] {
                Q_EMIT LookingThrough(name, picturesSoFar);
            },
            Qt::QueuedConnection);
    };
    options.onCounted = [this](std::size_t items) { size = items; };
    const Encoder encode = [&services, settings](const std::string& source,
                                                 std::stop_token cancel) {
        return services.encode(settings, source, std::move(cancel));
    };
    PosixFolderLister realFolders;
    FolderLister& folders = services.folders ? *services.folders : realFolders;
    BatchOutcome outcome;
    try {
        outcome = RunDropWithFolders(drop, prompts, services.fileSystem, folders, encode, options,
                                     stop.get_token());
    } catch (const std::exception&) {
        // Nothing the batch calls throws but a failed allocation; the batch
        // then ends with nothing more written.
        outcome = {0, 0, static_cast<int>(drop.size()), true, false};
    }
    QMetaObject::invokeMethod(
        this, [this, outcome] { Q_EMIT Finished(outcome); }, Qt::QueuedConnection);
}
