#include "OutputPaths.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {
using Row = std::vector<std::string>;

// A table written as rows of so many columns apart by blanks, "empty" for an empty text. A
// backslash stands for the separator, a '|' for the other one, which separates nothing.
std::vector<Row> Rows(std::string table, char separator, std::size_t columns) {
    for (char& c : table)
        c = c == '\\' ? separator : c == '|' ? (separator == '/' ? '\\' : '/') : c;
    std::vector<Row> rows;
    std::istringstream words(table);
    for (std::string word; words >> word; rows.back().push_back(word == "empty" ? "" : word))
        if (rows.empty() || rows.back().size() == columns)
            rows.emplace_back();
    return rows;
}

// Text, DirectoryPart, FileNamePart, ExtensionPart, StripExtension.
const char* const partsTable = R"(C:\Images\beach.png C:\Images\ beach.png .png C:\Images\beach
C:\x.png C:\ x.png .png C:\x
beach.png empty beach.png .png beach
C:\Images\ C:\Images\ empty empty C:\Images\
scan empty scan empty scan)";

// Source, OutputFolderPath, OutputFilePath. Past the first nine rows: a trailing separator leaves
// no file name, a name whose only dot leads it is all extension, the other separator is a byte.
const char* const outputTable =
    R"(C:\Images\beach.png C:\Images\Quillmere\ C:\Images\Quillmere\beach.jpg
C:\x.png C:\Quillmere\ C:\Quillmere\x.jpg
C:\Images\scan C:\Images\Quillmere\ C:\Images\Quillmere\scan.jpg
C:\my.images\scan C:\my.images\Quillmere\ C:\my.images\Quillmere\scan.jpg
C:\Images\archive.old.tif C:\Images\Quillmere\ C:\Images\Quillmere\archive.old.jpg
C:\Images\IMG1.JPG C:\Images\Quillmere\ C:\Images\Quillmere\IMG1.jpg
C:\Images\name. C:\Images\Quillmere\ C:\Images\Quillmere\name.jpg
C:\Images\Quillmere\beach.jpg C:\Images\Quillmere\Quillmere\ C:\Images\Quillmere\Quillmere\beach.jpg
beach.png \Quillmere\ \Quillmere\beach.jpg
C:\Images\ C:\Images\Quillmere\ C:\Images\Quillmere\.jpg
C:\Images\.png C:\Images\Quillmere\ C:\Images\Quillmere\.jpg
C:\Images\a|b.png C:\Images\Quillmere\ C:\Images\Quillmere\a|b.jpg)";

} // namespace

// Paths split at the value's own separator, and the output rules add only that separator.
TEST(PathRules, FollowTheTablesWithEitherSeparator) {
    for (const char separator : {'\\', '/'}) {
        PathParts p(separator);
        for (const Row& row : Rows(partsTable, separator, 5)) {
            p.path = row.at(0);
            EXPECT_EQ(row, (Row{p.path, p.DirectoryPart(), p.FileNamePart(),
                                p.ExtensionPart(p.path), p.StripExtension(p.path)}));
        }
        for (const Row& row : Rows(outputTable, separator, 3)) {
            p.path = row.at(0);
            EXPECT_EQ(row, (Row{p.path, OutputFolderPath(p), OutputFilePath(p)}));
        }
    }
}
