#pragma once

#include "DropBatch.h"

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

// The encoder's result, or a failure that says why when it throws.
Encoded EncodeCatching(const Encoder& encode, const std::string& sourcePath, std::stop_token stop);

/*
 * Converts the items of a drop on a pool of worker threads, ahead of the loop
 * that writes them, in the drop's order. `jobs` workers decode at most that
 * many pictures at once. Past the last item the loop let go of, twice `jobs`
 * items may always be converting or finished, and up to eight times `jobs`
 * while the finished JPEGs waiting for the loop take less than
 * heldBytesAtMost: a slow picture at the head (a large PNG among small icons)
 * then does not leave the other workers idle, while memory holds no more
 * decodes than workers and a bounded amount of finished JPEGs. Items that are
 * not local files, or that carry their failure, are not converted. An item
 * whose source an earlier item's output may replace
 * (waitsFor[item] is that earlier item's index + 1, 0 for none) starts only
 * once the loop has gone past that item, so it reads what the loop wrote.
 * Whatever is still converting when the object goes, or when stop is
 * requested, is cancelled and waited for. When not every worker thread can
 * be started the others do the work; when none can, the constructor throws.
 */
class Lookahead {
public:
    Lookahead(const std::vector<DroppedItem>& drop, std::vector<std::size_t> waitsFor,
              const Encoder& encode, int jobs, std::stop_token stop);
    ~Lookahead();
    Lookahead(const Lookahead&) = delete;
    Lookahead& operator=(const Lookahead&) = delete;

    struct Result {
        Encoded encoded;
        // Where the loop stood when the conversion started: outputs of the
        // items before it were written by then.
        std::size_t startedAt = 0;
    };
    // Waits for the item's conversion and hands its result over; every item
    // before it is let go of. After a stop the result is a failure at once.
    Result Take(std::size_t index);
    // Lets go of the item and every one before it, cancelling their
    // conversions and freeing their results.
    void Release(std::size_t index);

private:
    enum class State { waiting, converting, done, released };
    struct Slot {
        State state = State::waiting;
        std::stop_source cancel;
        Encoded result;
        std::size_t startedAt = 0;
    };

    static constexpr std::size_t heldBytesAtMost = std::size_t(32) << 20;

    void Work();
    bool MayStartNext() const;
    void ReleaseBefore(std::size_t end, std::unique_lock<std::mutex>& lock);
    void CancelAll();

    const std::vector<DroppedItem>& drop;
    const std::vector<std::size_t> waitsFor;
    const Encoder& encode;
    const std::size_t jobs;

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Slot> slots;
    std::size_t nextToConvert = 0;
    std::size_t firstHeld = 0; // items before it are released
    std::size_t reached = 0;   // the loop is done with every item before it
    std::size_t heldBytes = 0; // of the finished JPEGs not yet taken or released
    bool stopping = false;

    std::stop_callback<std::function<void()>> onStop;
    std::vector<std::jthread> workers;
};
