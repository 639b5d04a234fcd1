#include "JfifTarget.h"

#include <new>

JfifTarget::JfifTarget(std::vector<unsigned char>& output, JfifDensity density)
    : bytes(output), segment(MakeJfifSegment(density)),
      target(reinterpret_cast<VipsTarget*>(vips_target_custom_new())) {
    g_signal_connect(target.get_target(), "write", G_CALLBACK(OnWrite), this);
}

// No exception may cross libvips' C code: running out of memory fails the
// write, and so the save.
gint64 JfifTarget::OnWrite(VipsTargetCustom*, void* data, gint64 length, JfifTarget* self) {
    try {
        if (length >= 0 &&
            self->Pass(static_cast<const unsigned char*>(data), static_cast<std::size_t>(length))) {
            return length;
        }
    } catch (const std::bad_alloc&) {
    }
    self->failed = true;
    return -1;
}

// The stream is gathered until its first two bytes are known; they must be
// the start-of-image marker, after which the JFIF segment goes in.
bool JfifTarget::Pass(const unsigned char* data, std::size_t length) {
    while (!headerDone && length > 0) {
        start[startLength++] = *data++;
        --length;
        if (startLength == start.size()) {
            if (start[0] != 0xFF || start[1] != 0xD8) {
                return false;
            }
            bytes.insert(bytes.end(), start.begin(), start.end());
            bytes.insert(bytes.end(), segment.begin(), segment.end());
            headerDone = true;
        }
    }
    bytes.insert(bytes.end(), data, data + length);
    return true;
}
