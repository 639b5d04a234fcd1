#pragma once

#include <cstddef>
#include <string>

// Writes a file so that it appears whole or not at all: the bytes go to a new
// temporary file in the target's folder, which Commit() renames over the
// target. Until then the target is untouched; an uncommitted temporary file is
// removed when the object goes.
class AtomicFile {
public:
    explicit AtomicFile(std::string targetPath);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Whether the temporary file could be made (the folder exists and is
    // writable).
    bool IsOpen() const { return fd >= 0; }

    bool Write(const void* data, std::size_t length);

    // Flushes the bytes to disk and puts them in place of the target.
    // Returns false, leaving the target as it was, when any step fails.
    bool Commit();

private:
    void Discard();

    std::string targetPath;
    std::string tempPath;
    int fd = -1;
};
