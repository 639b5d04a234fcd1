#include "TiffWatch.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

namespace {

std::mutex mutex;
std::map<const void*, DecodeVerdict*> watched;

// What libjpeg says of entropy-coded data it could not read.
bool IsDamage(const char* message) {
    constexpr const char* damage[] = {"Corrupt JPEG data", "Premature end of JPEG file",
                                      "Inconsistent progression sequence"};
    for (const char* phrase : damage) {
        if (std::strstr(message, phrase) != nullptr) {
            return true;
        }
    }
    return false;
}

void Warned(thandle_t client, const char* module, const char* format, va_list arguments) {
    if (module == nullptr || std::strcmp(module, "JPEGLib") != 0) {
        return;
    }
    char message[512];
    std::vsnprintf(message, sizeof message, format, arguments);
    if (!IsDamage(message)) {
        return;
    }
    const std::lock_guard lock(mutex);
    if (const auto found = watched.find(client); found != watched.end()) {
        found->second->Note(DecodeVerdict::Finding::damaged);
    }
}

} // namespace

TiffWatch::TiffWatch(VipsSource* watchedSource, DecodeVerdict& verdict) : source(watchedSource) {
    g_object_ref(source);
    const std::lock_guard lock(mutex);
    watched[source] = &verdict;
}

TiffWatch::~TiffWatch() {
    {
        const std::lock_guard lock(mutex);
        watched.erase(source);
    }
    g_object_unref(source);
}

void TiffWatch::Install() {
    TIFFSetWarningHandlerExt(Warned);
}
