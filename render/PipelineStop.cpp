#include "PipelineStop.h"

#include "Encoded.h"

#include <utility>

PipelineStop::PipelineStop(std::stop_token stop)
    : token(stop), callback(std::move(stop), Kill{this}) {}

void PipelineStop::Kill::operator()() const {
    const std::lock_guard lock(self->mutex);
    self->killed = true;
    for (const vips::VImage& image : self->images) {
        vips_image_set_kill(image.get_image(), TRUE);
    }
}

const vips::VImage& PipelineStop::Watch(const vips::VImage& image) {
    const std::lock_guard lock(mutex);
    images.push_back(image);
    if (killed) {
        vips_image_set_kill(image.get_image(), TRUE);
    }
    return image;
}

Rows PipelineStop::Watch(Rows rows) const {
    return [this, rows = std::move(rows)](int y, std::uint8_t* row) {
        if (Requested()) {
            throw vips::VError(stoppedFailure);
        }
        rows(y, row);
    };
}
