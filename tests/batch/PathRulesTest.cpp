#include "OutputPaths.h"

#include <gtest/gtest.h>

#include <sstream>

// Paths split at the value's own separator, and the output rules add only that separator.
TEST(PathRules, FollowTheTableWithEitherSeparator) {
    // Source, OutputFolderPath and OutputFilePath, written with '\' for the separator and '|' for
    // the other one, which separates nothing. Past the first six rows: a trailing separator leaves
    // no file name, a name whose only dot leads it is all extension, the other separator is a byte.
    for (const char separator : {'\\', '/'}) {
        std::string table =
            R"(C:\Images\beach.png C:\Images\Quillmere\ C:\Images\Quillmere\beach.jpg
C:\x.png C:\Quillmere\ C:\Quillmere\x.jpg
C:\my.images\scan C:\my.images\Quillmere\ C:\my.images\Quillmere\scan.jpg
C:\Images\archive.old.tif C:\Images\Quillmere\ C:\Images\Quillmere\archive.old.jpg
C:\Images\name. C:\Images\Quillmere\ C:\Images\Quillmere\name.jpg
beach.png \Quillmere\ \Quillmere\beach.jpg
C:\Images\ C:\Images\Quillmere\ C:\Images\Quillmere\.jpg
C:\Images\.png C:\Images\Quillmere\ C:\Images\Quillmere\.jpg
C:\Images\a|b.png C:\Images\Quillmere\ C:\Images\Quillmere\a|b.jpg)";
        for (char& c : table)
            c = c == '\\' ? separator : c == '|' ? (separator == '/' ? '\\' : '/') : c;
        std::istringstream words(table);
        PathParts p(separator);
        for (std::string folder, file; words >> p.path >> folder >> file;) {
            SCOPED_TRACE(p.path);
            EXPECT_EQ(OutputFolderPath(p), folder);
            EXPECT_EQ(OutputFilePath(p), file);
        }
    }
}
