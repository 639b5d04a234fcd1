#include "JpegEncode.h"

#include <csetjmp>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
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

// libjpeg reports errors by jumping out of its own code: this frame holds no
// C++ object the jump could skip.
bool Compress(jpeg_compress_struct& info, int width, int height, const Rows& rows,
              std::uint8_t* row, JfifDensity density, unsigned char** data, unsigned long* size) {
    Errors& errors = *reinterpret_cast<Errors*>(info.err);
    if (setjmp(errors.escape) != 0) {
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, data, size);
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

} // namespace

std::vector<unsigned char> EncodeJpeg(int width, int height, const Rows& rows,
                                      JfifDensity density) {
    std::vector<std::uint8_t> row(std::size_t(width) * 3);
    Errors errors{};
    jpeg_compress_struct info{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = ErrorExit;
    errors.manager.output_message = Silent;
    unsigned char* data = nullptr;
    unsigned long size = 0;
    const bool done = Compress(info, width, height, rows, row.data(), density, &data, &size);
    jpeg_destroy_compress(&info);
    std::vector<unsigned char> bytes;
    if (done) {
        bytes.assign(data, data + size);
    }
    std::free(data);
    if (!done) {
        throw std::bad_alloc();
    }
    return bytes;
}
