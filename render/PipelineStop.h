#pragma once

#include "Rows.h"

#include <vips/vips8>

#include <mutex>
#include <stop_token>
#include <vector>

// Cancels one conversion's libvips pipelines when its stop is requested:
// every watched image is marked killed, so that whatever evaluates it (a
// save, a copy into memory, an average) fails at its next piece of work.
class PipelineStop {
public:
    explicit PipelineStop(std::stop_token stop);
    PipelineStop(const PipelineStop&) = delete;
    PipelineStop& operator=(const PipelineStop&) = delete;

    // Returns image, now watched: killed at once when the stop has come.
    const vips::VImage& Watch(const vips::VImage& image);
    // Returns rows that fail as a killed image does once the stop has come:
    // rows made by our own code, which libvips never sees.
    Rows Watch(Rows rows) const;

    bool Requested() const { return token.stop_requested(); }
    const std::stop_token& Token() const { return token; }

private:
    struct Kill {
        PipelineStop* self;
        void operator()() const;
    };

    std::stop_token token;
    std::mutex mutex;
    std::vector<vips::VImage> images;
    bool killed = false;
    std::stop_callback<Kill> callback; // last: may run at once, on the rest
};
