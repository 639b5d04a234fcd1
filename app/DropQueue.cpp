#include "DropQueue.h"

#include "BatchStatus.h"

#include <algorithm>
#include <iterator>
#include <utility>

DropQueue::DropQueue() : lastStatus(BatchStatus::IdleHint()) {}

void DropQueue::Add(std::vector<DroppedItem> drop) {
    waiting.push_back(std::move(drop));
}

std::optional<std::vector<DroppedItem>> DropQueue::Next() {
    if (running || afterBatch != AfterBatch::next || waiting.empty())
        return std::nullopt;
    std::vector<DroppedItem> drop = std::move(waiting.front());
    waiting.pop_front();
    return drop;
}

void DropQueue::Started() {
    running = true;
}

bool DropQueue::FinishFirst(AfterBatch then) {
    if (!running)
        return false;
    if (afterBatch != AfterBatch::leave)
        afterBatch = then;
    return true;
}

bool DropQueue::EndSession() {
    waiting.clear();
    if (!running || afterBatch == AfterBatch::leave)
        return false;
    afterBatch = AfterBatch::leave;
    return true;
}

DropQueue::AfterBatch DropQueue::Finished(const BatchOutcome& outcome,
                                          const std::vector<std::string>& folders) {
    running = false;
    lastStatus = BatchStatus::Result(outcome, folders);
    if (!folders.empty())
        firstFolder = folders.front();
    return std::exchange(afterBatch, AfterBatch::next);
}

/*
 * A double-click on a picture in a file manager, or a script, is no word to
 * write into the person's folders: such files wait for Convert. A drop onto
 * the dialog is the person's own gesture and converts at once.
 */
void DropQueue::Offer(std::vector<DroppedItem> files) {
    std::ranges::move(files, std::back_inserter(offered));
}

bool DropQueue::ConvertOffered() {
    if (offered.empty())
        return false;
    Add(std::exchange(offered, {}));
    return true;
}

/*
 * During a batch its own row says what runs, so the hint gives way to the
 * drops waiting; a result stays in view beside them.
 */
std::string DropQueue::Status() const {
    const std::string hint = BatchStatus::IdleHint();
    const std::string text = offered.empty() ? lastStatus : BatchStatus::Offered(offered.size());
    if (!running)
        return text;
    if (waiting.empty())
        return text == hint ? std::string() : text;
    const std::string more = BatchStatus::Waiting(waiting.size());
    return text == hint ? more : text + "; " + more;
}
