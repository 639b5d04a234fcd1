#include "JfifFileTarget.h"

JfifFileTarget::JfifFileTarget(AtomicFile& output, JfifDensity density)
    : file(output), segment(MakeJfifSegment(density)),
      target(reinterpret_cast<VipsTarget*>(vips_target_custom_new())) {
    g_signal_connect(target.get_target(), "write", G_CALLBACK(OnWrite), this);
}

gint64 JfifFileTarget::OnWrite(VipsTargetCustom*, void* data, gint64 length, JfifFileTarget* self) {
    if (length < 0 ||
        !self->Pass(static_cast<const unsigned char*>(data), static_cast<std::size_t>(length))) {
        self->failed = true;
        return -1;
    }
    return length;
}

// The stream is gathered until its first two bytes are known; they must be
// the start-of-image marker, after which the JFIF segment goes in.
bool JfifFileTarget::Pass(const unsigned char* data, std::size_t length) {
    while (!headerDone && length > 0) {
        start[startLength++] = *data++;
        --length;
        if (startLength == start.size()) {
            if (start[0] != 0xFF || start[1] != 0xD8 || !file.Write(start.data(), start.size()) ||
                !file.Write(segment.data(), segment.size())) {
                return false;
            }
            headerDone = true;
        }
    }
    return length == 0 || file.Write(data, length);
}
