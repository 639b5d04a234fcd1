#pragma once

#include <cstddef>
#include <string>

// Writes a file so that it appears whole or not at all. The bytes go to a
// file without a name in the target's folder (O_TMPFILE), which Commit() links
// in place, so that a process killed half-way leaves nothing behind; where the
// file system cannot make such a file, to a hidden temporary file that
// Commit() renames over the target. Until then the target is untouched; an
// uncommitted temporary file goes with the object.
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

    // The errno of the step that failed first, or 0.
    int Error() const { return error; }

private:
    bool Fail();
    bool OpenNamed(const std::string& folder);
    bool LinkInPlace();
    void Discard();

    std::string targetPath;
    std::string tempPath; // empty while the file has no name
    int fd = -1;
    int error = 0;
};
