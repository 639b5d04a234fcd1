#pragma once

#include "DialogServices.h"
#include "DropBatch.h"

#include <QObject>
#include <QString>

#include <stop_token>
#include <string>
#include <thread>
#include <vector>

/*
 * One drop converted on a thread of its own, so that the dialog's event loop
 * goes on while it runs: questions still come as the dialog's modal messages,
 * in the drop's order. Its signals arrive on the dialog's thread. Stop()
 * cancels the conversions in flight; the object's end stops the batch and
 * waits for it, which takes no longer than a file being written.
 */
class BatchRun : public QObject {
    Q_OBJECT
public:
    BatchRun(std::vector<DroppedItem> drop, const DialogServices& services, FrameSettings settings,
             int jobs, QObject* parent = nullptr);
    ~BatchRun() override;

    void Stop() { stop.request_stop(); }
    bool Stopping() const { return stop.stop_requested(); }
    std::size_t Size() const { return size; }

Q_SIGNALS:
    // The batch has reached the item at index (counted from 0), named name,
    // whose whole path or address is path.
    void ItemReached(std::size_t index, const QString& name, const QString& path);
    // folders: the output folders written into, in the order first written.
    void Finished(const BatchOutcome& outcome, const std::vector<std::string>& folders);

private:
    void Run(std::vector<DroppedItem> drop, const DialogServices& services, FrameSettings settings,
             int jobs);

    std::size_t size;
    std::stop_source stop;
    std::jthread thread;
};
