#include "Lookahead.h"

#include <algorithm>
#include <exception>
#include <new>
#include <utility>

Lookahead::Lookahead(const std::vector<DroppedItem>& items, std::vector<std::size_t> waiting,
                     const Encoder& encoder, int jobCount, std::stop_token stop)
    : drop(items), waitsFor(std::move(waiting)), encode(encoder),
      jobs(static_cast<std::size_t>(std::max(1, jobCount))), slots(items.size()),
      onStop(std::move(stop), [this] { CancelAll(); }) {
    const std::size_t threads = std::min(jobs, items.size());
    workers.reserve(threads);
    try {
        for (std::size_t i = 0; i < threads; ++i)
            workers.emplace_back([this] { Work(); });
    } catch (...) {
        // Out of threads or memory: fewer workers do. Without any the object
        // ends here (its destructor would not run, but nothing waits).
        if (workers.empty())
            throw;
    }
}

Encoded EncodeCatching(const Encoder& encode, const std::string& sourcePath, std::stop_token stop) {
    Encoded result;
    try {
        result = encode(sourcePath, std::move(stop));
    } catch (const std::bad_alloc&) {
        result.failure = "not enough memory to convert it";
    } catch (const std::exception& error) {
        result.failure = error.what();
    } catch (...) {
        result.failure = "the conversion failed for a reason it did not give";
    }
    return result;
}

Lookahead::~Lookahead() {
    CancelAll();
    workers.clear(); // joins them before the slots go
}

void Lookahead::CancelAll() {
    const std::lock_guard lock(mutex);
    stopping = true;
    for (Slot& slot : slots)
        if (slot.state == State::converting)
            slot.cancel.request_stop();
    changed.notify_all();
}

/*
 * A worker takes the next item in the drop's order while the window past the
 * loop's position allows it, and the item waits for nothing the loop has
 * still to write; so the item the loop needs next is always among those
 * converting or done.
 */
bool Lookahead::MayStartNext() const {
    if (nextToConvert >= slots.size() || waitsFor[nextToConvert] > reached)
        return false;
    const std::size_t past = nextToConvert - firstHeld;
    return past < 2 * jobs || (past < 8 * jobs && heldBytes < heldBytesAtMost);
}

void Lookahead::Work() {
    std::unique_lock lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return stopping || MayStartNext(); });
        if (stopping)
            return;
        const std::size_t index = nextToConvert++;
        Slot& slot = slots[index];
        if (!drop[index].isLocalFile || !drop[index].failure.empty()) {
            slot.state = State::done;
            changed.notify_all();
            continue;
        }
        slot.state = State::converting;
        slot.startedAt = reached;
        const std::stop_token cancel = slot.cancel.get_token();
        lock.unlock();
        Encoded result = EncodeCatching(encode, drop[index].path, cancel);
        lock.lock();
        // A released item's result is not wanted any more.
        if (slot.state == State::converting) {
            slot.result = std::move(result);
            slot.state = State::done;
            heldBytes += slot.result.bytes.size();
        }
        changed.notify_all();
    }
}

void Lookahead::ReleaseBefore(std::size_t end, std::unique_lock<std::mutex>&) {
    for (std::size_t index = firstHeld; index < end; ++index) {
        Slot& slot = slots[index];
        if (slot.state == State::converting)
            slot.cancel.request_stop();
        slot.state = State::released;
        heldBytes -= slot.result.bytes.size();
        slot.result = {};
    }
    firstHeld = std::max(firstHeld, end);
    nextToConvert = std::max(nextToConvert, firstHeld); // never start what was let go of
    changed.notify_all();
}

Lookahead::Result Lookahead::Take(std::size_t index) {
    std::unique_lock lock(mutex);
    reached = index;
    ReleaseBefore(index, lock);
    changed.wait(lock, [&] { return stopping || slots[index].state == State::done; });
    Result result;
    if (slots[index].state == State::done) {
        heldBytes -= slots[index].result.bytes.size();
        result = {std::move(slots[index].result), slots[index].startedAt};
    } else {
        result.encoded.failure = stoppedFailure;
    }
    ReleaseBefore(index + 1, lock);
    return result;
}

void Lookahead::Release(std::size_t index) {
    std::unique_lock lock(mutex);
    reached = index;
    ReleaseBefore(index + 1, lock);
}
