#pragma once

#include <string>

// A picture file opened for reading without waiting on it: a named pipe, a
// device, a socket or a folder is refused before anything reads from it, so a
// source can never hang a batch. The descriptor is closed with the object.
class SourceFile {
public:
    // wanted names what a regular file at path is taken for, in the reason
    // given for anything else.
    explicit SourceFile(const std::string& path, const char* wanted = "a picture file");
    ~SourceFile();
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    // An open regular file, or -1.
    int Descriptor() const { return fd; }
    // Why the file cannot be read as a picture ("No such file or directory",
    // "a folder, not a picture file"), or empty when it is open.
    const std::string& Problem() const { return problem; }

private:
    int fd = -1;
    std::string problem;
};

// A name of the open file itself, whatever it is called or moved to meanwhile:
// a new open of it has a position of its own.
std::string DescriptorPath(int fd);
