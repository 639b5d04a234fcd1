#include "JpegEncode.h"

#include <array>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>

#include <jpeglib.h>

namespace {

struct Errors {
    jpeg_error_mgr manager;
    std::jmp_buf escape;
};

[[noreturn]] void ErrorExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<Errors*>(info->err)->escape, 1);
}

void Silent(j_common_ptr) {}

// Gathers the file into a vector a chunk at a time. libjpeg's own memory
// destination frees the buffers it grows through, so after a failure
// half-way the caller cannot tell which one is left to free.
struct VectorDestination {
    jpeg_destination_mgr manager;
    std::vector<unsigned char>& bytes;
    std::array<JOCTET, 1 << 16> chunk;
};

VectorDestination& DestinationOf(j_compress_ptr info) {
    return *reinterpret_cast<VectorDestination*>(info->dest);
}

void Start(j_compress_ptr info) {
    VectorDestination& destination = DestinationOf(info);
    destination.manager.next_output_byte = destination.chunk.data();
    destination.manager.free_in_buffer = destination.chunk.size();
}

bool Appended(VectorDestination& destination, std::size_t length) noexcept {
    try {
        destination.bytes.insert(destination.bytes.end(), destination.chunk.data(),
                                 destination.chunk.data() + length);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Out of memory, it leaves through the error handler, which every failure
// of the encoder means, from a frame with no C++ object to destroy.
void Keep(j_compress_ptr info, std::size_t length) {
    if (!Appended(DestinationOf(info), length)) {
        info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
    }
}

boolean ChunkFull(j_compress_ptr info) {
    Keep(info, DestinationOf(info).chunk.size());
    Start(info);
    return TRUE;
}

void Finish(j_compress_ptr info) {
    Keep(info, DestinationOf(info).chunk.size() - DestinationOf(info).manager.free_in_buffer);
}

// libjpeg reports errors by jumping out of its own code: this frame holds no
// C++ object the jump could skip. What the rows throw leaves between two
// calls into libjpeg.
bool Compress(jpeg_compress_struct& info, int width, int height, const Rows& rows,
              std::uint8_t* row, JfifDensity density) {
    Errors& errors = *reinterpret_cast<Errors*>(info.err);
    if (setjmp(errors.escape) != 0) {
        return false;
    }
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 80, TRUE);
    info.write_JFIF_header = TRUE;
    info.density_unit = 1; // dots per inch
    info.X_density = density.x;
    info.Y_density = density.y;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        rows(int(info.next_scanline), row);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

struct Compressor {
    Errors errors{};
    jpeg_compress_struct info{};

    Compressor() {
        info.err = jpeg_std_error(&errors.manager);
        errors.manager.error_exit = ErrorExit;
        errors.manager.output_message = Silent;
        jpeg_create_compress(&info);
    }
    ~Compressor() { jpeg_destroy_compress(&info); }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;
};

} // namespace

std::vector<unsigned char> EncodeJpeg(int width, int height, const Rows& rows,
                                      JfifDensity density) {
    std::vector<unsigned char> bytes;
    std::vector<std::uint8_t> row(std::size_t(width) * 3);
    auto destination = std::make_unique<VectorDestination>(
        VectorDestination{{nullptr, 0, Start, ChunkFull, Finish}, bytes, {}});
    Compressor compressor;
    compressor.info.dest = &destination->manager;
    if (!Compress(compressor.info, width, height, rows, row.data(), density)) {
        throw std::bad_alloc();
    }
    return bytes;
}
