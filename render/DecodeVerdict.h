#pragma once

#include <atomic>

// What one picture's decoders found while they ran. Decoders report damaged
// data (entropy-coded JPEG data that breaks off or makes no sense) only as
// warnings and go on with grey filler; the verdict keeps those warnings with
// the picture they came from, whatever else is decoded at the same time.
class DecodeVerdict {
public:
    enum class Finding { none, damaged, outOfMemory };

    void Note(Finding finding) {
        Finding expected = Finding::none;
        found.compare_exchange_strong(expected, finding);
    }
    Finding Found() const { return found; }

private:
    std::atomic<Finding> found{Finding::none}; // the first finding stands
};
