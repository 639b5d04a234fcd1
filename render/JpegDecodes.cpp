#include "JpegDecodes.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

// One decode of the file: libjpeg's state, its error manager and where it is.
// libjpeg reports errors by jumping out of its own code; every call into it
// goes through Guarded, whose frame holds no C++ object the jump could skip.
struct JpegStream {
    struct Errors {
        jpeg_error_mgr manager;
        std::jmp_buf escape;
        JpegStream* stream;
    };

    JpegStream(std::string file, int scale, int components, DecodeVerdict& pictureVerdict)
        : path(std::move(file)), shrink(scale), bands(components), verdict(pictureVerdict) {}
    ~JpegStream() {
        if (created) {
            jpeg_destroy_decompress(&info);
        }
        if (input != nullptr) {
            std::fclose(input);
        }
    }
    JpegStream(const JpegStream&) = delete;
    JpegStream& operator=(const JpegStream&) = delete;

    template <typename Step> bool Guarded(Step step) {
        if (setjmp(errors.escape) != 0) {
            return false;
        }
        step();
        return true;
    }

    bool Start(int width, int height);
    bool ReadRow();
    bool Failed() const { return failed || verdict.Found() != DecodeVerdict::Finding::none; }
    void Fail(int code) {
        failed = true;
        verdict.Note(code == JERR_OUT_OF_MEMORY ? DecodeVerdict::Finding::outOfMemory
                                                : DecodeVerdict::Finding::damaged);
    }

    const std::string path;
    const int shrink;
    const int bands;
    DecodeVerdict& verdict;
    Errors errors{};
    jpeg_decompress_struct info{};
    std::FILE* input = nullptr;
    std::vector<JSAMPLE> row;
    bool created = false;
    bool started = false;
    bool scanning = false; // past the header: a warning now means damage
    bool finished = false;
    bool failed = false;
    bool invert = false;
};

namespace {

[[noreturn]] void ErrorExit(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegStream::Errors*>(info->err);
    errors->stream->Fail(errors->manager.msg_code);
    std::longjmp(errors->escape, 1);
}

// Warnings have level -1; the rest is chatter for tracing.
void EmitMessage(j_common_ptr info, int level) {
    auto* errors = reinterpret_cast<JpegStream::Errors*>(info->err);
    if (level < 0 && errors->stream->scanning) {
        errors->stream->verdict.Note(DecodeVerdict::Finding::damaged);
    }
}

void Silent(j_common_ptr) {}

J_COLOR_SPACE ColourSpaceFor(int bands) {
    return bands == 1 ? JCS_GRAYSCALE : bands == 4 ? JCS_CMYK : JCS_RGB;
}

} // namespace

// Opens the file anew (the decode has a position of its own), reads the
// header and starts decoding at the header's size. A picture whose data does
// not decode to the size its header promised is damaged.
bool JpegStream::Start(int width, int height) {
    if (started) {
        return !Failed();
    }
    started = true;
    input = std::fopen(path.c_str(), "rb");
    if (input == nullptr) {
        failed = true;
        verdict.Note(DecodeVerdict::Finding::damaged);
        return false;
    }
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = ErrorExit;
    errors.manager.emit_message = EmitMessage;
    errors.manager.output_message = Silent;
    errors.stream = this;
    const bool ready = Guarded([this] {
        jpeg_create_decompress(&info);
        created = true;
        jpeg_stdio_src(&info, input);
        jpeg_read_header(&info, TRUE);
        scanning = true;
        info.scale_num = 1;
        info.scale_denom = unsigned(shrink);
        info.out_color_space = ColourSpaceFor(bands);
        jpeg_start_decompress(&info);
    });
    if (!ready || Failed()) {
        return false;
    }
    if (int(info.output_width) != width || int(info.output_height) != height ||
        info.output_components != bands) {
        failed = true;
        verdict.Note(DecodeVerdict::Finding::damaged);
        return false;
    }
    // Photoshop writes CMYK inverted and marks it with its Adobe segment.
    invert = bands == 4 && info.saw_Adobe_marker;
    row.resize(std::size_t(width) * std::size_t(bands));
    return true;
}

// The next row into row; after the last, the rest of the file up to its end
// marker is read, where libjpeg still finds damage.
bool JpegStream::ReadRow() {
    JSAMPROW out = row.data();
    const bool read = Guarded([this, &out] {
        jpeg_read_scanlines(&info, &out, 1);
        if (info.output_scanline == info.output_height) {
            jpeg_finish_decompress(&info);
            finished = true;
        }
    });
    if (read && invert) {
        for (JSAMPLE& sample : row) {
            sample = JSAMPLE(255 - sample);
        }
    }
    return read && !Failed();
}

namespace {

// Fills a strip of the image. The sequential cache in front of it asks for
// whole-width strips from top to bottom, one at a time.
int Generate(VipsRegion* out, void*, void* a, void*, gboolean*) {
    auto& stream = *static_cast<JpegStream*>(a);
    const VipsRect& area = out->valid;
    if (!stream.Start(out->im->Xsize, out->im->Ysize)) {
        vips_error("jpegload", "damaged JPEG data");
        return -1;
    }
    if (area.top != int(stream.info.output_scanline)) {
        vips_error("jpegload", "out of order read at line %d", area.top);
        return -1;
    }
    const std::size_t from = std::size_t(area.left) * std::size_t(stream.bands);
    const std::size_t length = std::size_t(area.width) * std::size_t(stream.bands);
    VipsPel* to = VIPS_REGION_ADDR_TOPLEFT(out);
    for (int y = area.top; y < area.top + area.height; ++y, to += VIPS_REGION_LSKIP(out)) {
        if (!stream.ReadRow()) {
            vips_error("jpegload", "damaged JPEG data");
            return -1;
        }
        std::memcpy(to, stream.row.data() + from, length);
    }
    return 0;
}

void ReleaseStream(gpointer data) {
    delete static_cast<std::shared_ptr<JpegStream>*>(data);
}

} // namespace

vips::VImage JpegDecodes::Open(const std::string& path, const vips::VImage& header, int shrink) {
    auto stream = std::make_shared<JpegStream>(path, shrink, header.bands(), verdict);
    VipsImage* raw = vips_image_new();
    // The raw image takes the header's size, format and metadata, and keeps
    // the decode for as long as it lives.
    g_object_set_data_full(G_OBJECT(raw), "quillmere-jpeg", new std::shared_ptr<JpegStream>(stream),
                           ReleaseStream);
    VipsImage* sequential = nullptr;
    const bool built =
        vips_image_pipelinev(raw, VIPS_DEMAND_STYLE_THINSTRIP, header.get_image(), nullptr) == 0 &&
        vips_image_generate(raw, nullptr, Generate, nullptr, stream.get(), nullptr) == 0 &&
        vips_sequential(raw, &sequential, "tile_height", 8, nullptr) == 0;
    g_object_unref(raw);
    if (!built) {
        throw vips::VError();
    }
    streams.push_back(std::move(stream));
    return vips::VImage(sequential);
}

void JpegDecodes::Finish() {
    for (const auto& stream : streams) {
        while (stream->started && !stream->finished && !stream->Failed()) {
            stream->ReadRow();
        }
    }
}
