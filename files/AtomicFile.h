#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>

// Writes a file so that it appears whole or not at all. The bytes go to a
// file without a name in the target's folder (O_TMPFILE), which Commit() links
// in place, so that a process killed half-way leaves nothing behind; where the
// file system cannot make such a file, to a hidden temporary file that
// Commit() renames over the target. Until then the target is untouched; an
// uncommitted temporary file goes with the object. A process killed between
// the two steps of Commit() on an existing target, or while a hidden
// temporary file is written, leaves that file: RemoveStale() clears it later.
class AtomicFile {
public:
    explicit AtomicFile(std::string targetPath);
    // The file named name in the open folder (a descriptor that outlives the
    // object), wherever links lead its path meanwhile.
    AtomicFile(int folder, std::string name);
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

    // Whether name is one this class gives its hidden temporary files.
    static bool IsTemporaryName(std::string_view name);
    // Removes from the open folder the temporary files this class leaves when
    // a process is killed: regular files with its names, changed last before
    // `before` (so none that a run still writing may need). Silent: what
    // cannot be read or removed stays.
    static void RemoveStale(int folder, const timespec& before);

private:
    void Open();
    bool Fail();
    bool OpenNamed();
    bool LinkInPlace();
    void Discard();

    int folder = -1;
    bool ownsFolder = false;
    std::string name;
    std::string tempName; // empty while the file has no name
    int fd = -1;
    int error = 0;
};
