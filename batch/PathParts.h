#pragma once

#include <string>

// One path taken apart at its separator. Every search compares single bytes,
// so a path in any 8-bit encoding (UTF-8 included) splits where the separator
// byte or the dot byte stands; no other character separates.
class PathParts {
public:
    // The separator of this platform's paths.
    static constexpr char nativeSeparator = '/';

    explicit PathParts(char pathSeparator = nativeSeparator) : separator(pathSeparator) {}

    std::string path;

    char Separator() const { return separator; }

    // Up to and including the last separator; empty when there is none.
    std::string DirectoryPart() const { return DirectoryPart(path); }
    std::string DirectoryPart(const std::string& text) const;
    // After the last separator; the whole text when there is none.
    std::string FileNamePart() const { return FileNamePart(path); }
    std::string FileNamePart(const std::string& text) const;
    // From the last dot to the end, wherever that dot stands; empty without one.
    static std::string ExtensionPart(const std::string& text);
    // The text less its ExtensionPart.
    static std::string StripExtension(const std::string& text);

private:
    // Fixed for the value's life: the output rules derive their own separators from it.
    char separator;
};
