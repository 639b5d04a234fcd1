#include "BatchRun.h"

#include "DroppedFolders.h"
#include "GuiThreadPrompts.h"
#include "PathParts.h"
#include "PosixFolderLister.h"

#include <algorithm>
#include <span>
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

namespace {

/*
 * What the batch has done so far, kept beside it so that a batch that throws
 * (a failed allocation) still reports what was written: every item before
 * the one in hand was written or failed, and the one in hand counts once its
 * output is written.
 */
class WrittenSoFar final : public FileSystem {
public:
    explicit WrittenSoFar(FileSystem& inner) : files(inner) {}

    void Reached() {
        ++reached;
        inHandWritten = false;
    }
    const std::vector<std::string>& Folders() const { return folders; }
    BatchOutcome SoFar(std::size_t size, bool stopped) const {
        const int handled = reached == 0 ? 0 : reached - 1 + (inHandWritten ? 1 : 0);
        return {written, handled - written, static_cast<int>(size) - handled, true, stopped};
    }

    std::string SourceProblem(const std::string& path) override {
        return files.SourceProblem(path);
    }
    bool SameFile(const std::string& a, const std::string& b) override {
        return files.SameFile(a, b);
    }
    std::optional<FileIdentity> Identity(const std::string& path) override {
        return files.Identity(path);
    }
    bool Exists(const std::string& path) override { return files.Exists(path); }
    std::string MakeFolder(const std::string& path) override { return files.MakeFolder(path); }
    std::string OutputFolderRefusal(const std::string& sourcePath,
                                    const std::string& folderPath) override {
        return files.OutputFolderRefusal(sourcePath, folderPath);
    }
    std::string WriteOutput(const std::string& source, const std::string& output,
                            std::span<const unsigned char> bytes) override {
        std::string failure = files.WriteOutput(source, output, bytes);
        if (failure.empty()) {
            ++written;
            inHandWritten = true;
            std::string folder = names.DirectoryPart(output);
            if (folder.size() > 1)
                folder.pop_back(); // the separator
            if (std::ranges::find(folders, folder) == folders.end())
                folders.push_back(folder);
        }
        return failure;
    }

private:
    FileSystem& files;
    PathParts names;
    std::vector<std::string> folders;
    int reached = 0;
    int written = 0;
    bool inHandWritten = false;
};

} // namespace

void BatchRun::Run(std::vector<DroppedItem> drop, const DialogServices& services,
                   FrameSettings settings, int jobs) {
    GuiThreadPrompts prompts(services.prompts, *this, stop.get_token());
    WrittenSoFar progress(services.fileSystem);
    BatchOptions options;
    options.jobs = jobs;
    options.onItem = [this, &progress, names = PathParts()](std::size_t index,
                                                            const DroppedItem& item) {
        progress.Reached();
        const QString path = QString::fromUtf8(item.path);
        const QString name =
            item.isLocalFile ? QString::fromUtf8(names.FileNamePart(item.path)) : path;
        QMetaObject::invokeMethod(
            this, [this, index, name, path] { Q_EMIT ItemReached(index, name, path); },
            Qt::QueuedConnection);
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
        outcome =
            RunDropWithFolders(drop, prompts, progress, folders, encode, options, stop.get_token());
    } catch (...) {
        // Nothing the batch calls throws but a failed allocation; the batch
        // then ends with nothing more written, and what was written counts.
        outcome = progress.SoFar(size, stop.stop_requested());
    }
    QMetaObject::invokeMethod(
        this, [this, outcome, folders = progress.Folders()] { Q_EMIT Finished(outcome, folders); },
        Qt::QueuedConnection);
}
