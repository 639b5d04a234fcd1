#include "PathParts.h"
#include "OutputPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct PartsRow {
    std::string text, directory, fileName, extension, stripped;
};

struct OutputRow {
    std::string source, folder, file;
};

// The rows as written for a backslash-separated platform.
const std::vector<PartsRow> backslashParts = {
    {R"(C:\Images\beach.png)", R"(C:\Images\)", "beach.png", ".png", R"(C:\Images\beach)"},
    {R"(C:\x.png)", R"(C:\)", "x.png", ".png", R"(C:\x)"},
    {"beach.png", "", "beach.png", ".png", "beach"},
    {R"(C:\Images\)", R"(C:\Images\)", "", "", R"(C:\Images\)"},
    {"scan", "", "scan", "", "scan"},
};

const std::vector<OutputRow> backslashOutputs = {
    {R"(C:\Images\beach.png)", R"(C:\Images\Quillmere\)", R"(C:\Images\Quillmere\beach.jpg)"},
    {R"(C:\x.png)", R"(C:\Quillmere\)", R"(C:\Quillmere\x.jpg)"},
    {R"(C:\Images\scan)", R"(C:\Images\Quillmere\)", R"(C:\Images\Quillmere\scan.jpg)"},
    {R"(C:\my.images\scan)", R"(C:\my.images\Quillmere\)", R"(C:\my.images\Quillmere\scan.jpg)"},
    {R"(C:\Images\archive.old.tif)", R"(C:\Images\Quillmere\)",
     R"(C:\Images\Quillmere\archive.old.jpg)"},
    {R"(C:\Images\IMG1.JPG)", R"(C:\Images\Quillmere\)", R"(C:\Images\Quillmere\IMG1.jpg)"},
    {R"(C:\Images\name.)", R"(C:\Images\Quillmere\)", R"(C:\Images\Quillmere\name.jpg)"},
    {R"(C:\Images\Quillmere\beach.jpg)", R"(C:\Images\Quillmere\Quillmere\)",
     R"(C:\Images\Quillmere\Quillmere\beach.jpg)"},
    {"beach.png", R"(\Quillmere\)", R"(\Quillmere\beach.jpg)"},
    // A path ending with its separator names no file: the copy is called .jpg.
    {R"(C:\Images\)", R"(C:\Images\Quillmere\)", R"(C:\Images\Quillmere\.jpg)"},
    // A name whose only dot leads it is all extension.
    {R"(C:\Images\.png)", R"(C:\Images\Quillmere\)", R"(C:\Images\Quillmere\.jpg)"},
};

// The slash is an ordinary character where the backslash separates.
const OutputRow backslashOnlyOutput = {R"(C:\Images\a/b.png)", R"(C:\Images\Quillmere\)",
                                       R"(C:\Images\Quillmere\a/b.jpg)"};

// The same rows where '/' separates, as on this platform.
std::string Translated(std::string text) {
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

// Rows that only make sense with '/' as the separator.
const std::vector<OutputRow> slashOnlyOutputs = {
    {"/x.png", "/Quillmere/", "/Quillmere/x.jpg"},
    {"/home/ann/.hidden.png", "/home/ann/Quillmere/", "/home/ann/Quillmere/.hidden.jpg"},
    {"/home/ann/.profile", "/home/ann/Quillmere/", "/home/ann/Quillmere/.jpg"},
    {"/home/ann/v1.2/shots.d/beach", "/home/ann/v1.2/shots.d/Quillmere/",
     "/home/ann/v1.2/shots.d/Quillmere/beach.jpg"},
    {"/home/ann/.cache/a.b.c.png", "/home/ann/.cache/Quillmere/",
     "/home/ann/.cache/Quillmere/a.b.c.jpg"},
    {"/srv/a\\b.png", "/srv/Quillmere/", "/srv/Quillmere/a\\b.jpg"},
    {"/home/ann/Ferien am Meer/Strand äöü 海.PNG", "/home/ann/Ferien am Meer/Quillmere/",
     "/home/ann/Ferien am Meer/Quillmere/Strand äöü 海.jpg"},
    {"", "/Quillmere/", "/Quillmere/.jpg"},
    {".", "/Quillmere/", "/Quillmere/.jpg"},
    {"/", "/Quillmere/", "/Quillmere/.jpg"},
};

void ExpectParts(char separator, const PartsRow& row) {
    SCOPED_TRACE("text: " + row.text + " separator: " + separator);
    PathParts parts(separator);
    parts.path = row.text;
    EXPECT_EQ(parts.DirectoryPart(), row.directory);
    EXPECT_EQ(parts.DirectoryPart(row.text), row.directory);
    EXPECT_EQ(parts.FileNamePart(), row.fileName);
    EXPECT_EQ(parts.FileNamePart(row.text), row.fileName);
    EXPECT_EQ(PathParts::ExtensionPart(row.text), row.extension);
    EXPECT_EQ(PathParts::StripExtension(row.text), row.stripped);
    EXPECT_EQ(parts.path, row.text) << "operations change nothing";
}

void ExpectOutputs(char separator, const OutputRow& row) {
    SCOPED_TRACE("source: " + row.source + " separator: " + separator);
    PathParts source(separator);
    source.path = row.source;
    EXPECT_EQ(OutputFolderPath(source), row.folder);
    EXPECT_EQ(OutputFilePath(source), row.file);
}

} // namespace

// DirectoryPart and FileNamePart split at the value's own separator; the
// extension rules look only for the last dot, wherever it stands.
TEST(PathParts, TakesPathsApartAtTheirSeparator) {
    for (const PartsRow& row : backslashParts) {
        ExpectParts('\\', row);
        ExpectParts('/', {Translated(row.text), Translated(row.directory), Translated(row.fileName),
                          row.extension, Translated(row.stripped)});
    }
}

TEST(PathParts, SeparatorIsFixedAndNativeByDefault) {
    EXPECT_EQ(PathParts().Separator(), '/');
    EXPECT_EQ(PathParts('\\').Separator(), '\\');
    PathParts parts('\\');
    parts.path = "/a/b.png";
    EXPECT_EQ(parts.DirectoryPart(), "") << "a slash does not separate here";
    EXPECT_EQ(parts.FileNamePart(), "/a/b.png");
}

// The copy goes into Quillmere inside the source's own folder, named after the
// file with ".jpg"; every separator added is the value's own.
TEST(OutputPaths, FollowTheSourceFolderAndFileName) {
    for (const OutputRow& row : backslashOutputs) {
        ExpectOutputs('\\', row);
        ExpectOutputs('/', {Translated(row.source), Translated(row.folder), Translated(row.file)});
    }
    ExpectOutputs('\\', backslashOnlyOutput);
    for (const OutputRow& row : slashOnlyOutputs)
        ExpectOutputs('/', row);
}

// Whatever the source, the folder ends with exactly one separator, holds one
// separator before "Quillmere", and the file lies directly inside it.
TEST(OutputPaths, FolderEndsWithOneSeparatorAndHoldsTheFile) {
    const std::vector<std::string> sources = {
        "", "/", "a", "/a", "/a/", "a/b", "/a/b/c.d.e", "/a.b/", "/a/.b", "/a/b.", "/a b/ü.png"};
    for (const std::string& path : sources) {
        SCOPED_TRACE("source: " + path);
        PathParts source;
        source.path = path;
        const std::string folder = OutputFolderPath(source);
        const std::string file = OutputFilePath(source);
        ASSERT_GE(folder.size(), 11u);
        EXPECT_EQ(folder.substr(folder.size() - 11), "/Quillmere/");
        EXPECT_EQ(folder.find("//"), std::string::npos) << "no doubled separator";
        EXPECT_EQ(file.substr(0, folder.size()), folder);
        EXPECT_EQ(file.find('/', folder.size()), std::string::npos);
        EXPECT_EQ(file.substr(file.size() - 4), ".jpg");
    }
}
