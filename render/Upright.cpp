#include "Upright.h"
#include "SystemReason.h"

#include "Refusal.h"
#include "SourceFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include <string>

namespace {

using vips::VImage;

// Pictures above this many bytes are kept on disk rather than in memory while
// they are turned upright; libvips draws the same line for its own
// random-access decodes.
constexpr double largestInMemory = 100.0 * 1024 * 1024;

// A file without a name in a folder: it goes with its last descriptor,
// however the process ends.
class UnnamedFile {
public:
    explicit UnnamedFile(const char* folder)
        : fd(::open(folder, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600)), error(fd < 0 ? errno : 0) {}
    ~UnnamedFile() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    UnnamedFile(const UnnamedFile&) = delete;
    UnnamedFile& operator=(const UnnamedFile&) = delete;

    int Descriptor() const { return fd; }
    // Why there is no file: 0, or the system's error number.
    int Error() const { return error; }

private:
    int fd;
    int error;
};

// Says which folder failed, so that it does not read as the picture's fault.
Refusal NoTemporaryFile(const char* folder, int error) {
    return Refusal(std::string("cannot make a temporary file in ") + folder + ": " +
                   SystemReason(error));
}

// libvips' own temporary file, where the temporary folder cannot hold a file
// without a name: it is removed when the image goes, but stays behind when
// the process is killed.
VImage NamedDiscCopy(const VImage& image) {
    VipsImage* temp = vips_image_new_temp_file("%s.v");
    if (temp == nullptr) {
        throw vips::VError();
    }
    VImage disc(temp);
    image.write(disc);
    return disc;
}

// The raw pixels go to the unnamed file and are mapped back in from it
// through a name of its own in /proc; the mapping holds the file open.
VImage DiscCopy(const VImage& image) {
    const char* folder = g_get_tmp_dir();
    const UnnamedFile file(folder);
    if (file.Error() == EOPNOTSUPP || file.Error() == EISDIR) {
        return NamedDiscCopy(image);
    }
    if (file.Descriptor() < 0) {
        throw NoTemporaryFile(folder, file.Error());
    }
    image.rawsave_fd(file.Descriptor());
    const std::string name = DescriptorPath(file.Descriptor());
    VImage raw = VImage::rawload(name.c_str(), image.width(), image.height(), image.bands());
    raw = raw.copy(VImage::option()->set("interpretation", image.interpretation()));
    raw.set(VIPS_META_ORIENTATION, vips_image_get_orientation(image.get_image()));
    return raw;
}

} // namespace

VImage Upright(const VImage& image, PipelineStop& stop) {
    const double bytes = double(image.width()) * image.height() * image.bands();
    stop.Watch(image);
    return (bytes <= largestInMemory ? image.copy_memory() : DiscCopy(image)).autorot();
}
