#include "DropBatch.h"
#include "OutputPaths.h"
#include "PosixFileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>

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

// Answers from a script (Cancel once it is used up) and logs each folder test ('?'), message,
// folder made and conversion. Folders under /have/ exist, and so do those made; those under /ro/
// cannot be made. Sources /bad* fail to convert and /throw* throw.
struct FakeDesk final : Prompts, FileSystem {
    std::vector<int> answers;
    std::string log;
    std::size_t asked = 0, depth = 0; // depth: of the wait cursor

    int ShowMessage(const std::string& text, unsigned style) override {
        log += std::to_string(style) + " " + text + ", ";
        return asked < answers.size() ? answers[asked++] : IdCancel;
    }
    void BeginWaitCursor() override { ++depth; }
    void EndWaitCursor() override { --depth; }
    bool Exists(const std::string& path) override {
        log += '?';
        return path.starts_with("/have/") || log.find("mkdir " + path + ", ") != std::string::npos;
    }
    bool MakeFolder(const std::string& path) override {
        log += "mkdir " + path + ", ";
        return !path.starts_with("/ro/");
    }
    Converter convert = [this](const std::string& source, const std::string& output) {
        log += source + " > " + output + ", ";
        if (source.find("/throw") != std::string::npos)
            throw std::runtime_error("decoder gave up");
        return source.find("/bad") != std::string::npos ? 0 : 7; // any nonzero means written
    };
};

// A folder test that finds folder's output folder missing, then the question.
std::string Ask(const std::string& folder) {
    return "?36 Directory doesn't exist:  " + folder + "Quillmere/\n\nCreate it?, ";
}

const std::string longFolder = "/have/" + std::string(300, 'd') + "/";

struct Case {
    std::vector<DroppedItem> drop;
    std::vector<int> answers, outcome; // outcome: converted, failed, not reached, ended early
    std::string steps;
};

// clang-format off
const Case cases[] = {
    // One question for three files of one folder, whose folder is tested for each file; any answer
    // but Cancel after a failure goes on; an item that is not a local file fails without a folder
    // test; a path longer than 258 characters is used whole.
    {{{"/i/a.png"}, {"/i/bad.gif"}, {"/i/c"}, {"sftp://host/e.png", false}, {longFolder + "e.png"}},
     {IdYes, IdOk, IdNo}, {3, 2, 0, 0}, Ask("/i/") + "mkdir /i/Quillmere/, /i/a.png > "
     "/i/Quillmere/a.jpg, ?/i/bad.gif > /i/Quillmere/bad.jpg, 49 /i/bad.gif, ?/i/c > /i/Quillmere/"
     "c.jpg, 49 sftp://host/e.png, ?" + longFolder + "e.png > " + longFolder + "Quillmere/e.jpg, "},
    // Two folders: No at the second after the first file was written.
    {{{"/one/a.png"}, {"/two/b.png"}, {"/one/c.png"}}, {IdYes, IdNo}, {1, 0, 2, 1},
     Ask("/one/") + "mkdir /one/Quillmere/, /one/a.png > /one/Quillmere/a.jpg, " + Ask("/two/")},
    {{{"/i/a.png"}}, {IdCancel}, {0, 0, 1, 1}, Ask("/i/")},
    {{{"/ro/a.png"}, {"/have/b.png"}}, {IdYes, IdOk}, {0, 0, 2, 1},
     Ask("/ro/") + "mkdir /ro/Quillmere/, 0 Couldn't create dir, "},
    {{{"/have/bad.png"}, {"/have/c.png"}}, {IdCancel}, {0, 1, 1, 1},
     "?/have/bad.png > /have/Quillmere/bad.jpg, 49 /have/bad.png, "},
    {{}, {}, {0, 0, 0, 0}, ""},
};
// clang-format on

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

// Each drop runs on scripted answers; every step, in order, the outcome and the wait cursor are
// checked on every way out, an exception included.
TEST(DropBatch, FollowsTheAnswersToEveryWayOut) {
    for (const Case& c : cases) {
        FakeDesk desk;
        desk.answers = c.answers;
        std::size_t taken = 0;
        const auto o = RunDropBatch(c.drop, desk, desk, desk.convert, [&] { taken += desk.depth; });
        EXPECT_EQ(desk.log, c.steps);
        EXPECT_EQ((std::vector<int>{o.converted, o.failed, o.notReached, o.endedEarly}), c.outcome);
        EXPECT_EQ(desk.asked, c.answers.size()) << "a scripted answer was never asked for";
        EXPECT_EQ(desk.depth, 0u);
        EXPECT_EQ(taken, 1u) << "settings taken once, under the wait cursor";
    }
    // An exception from the converter passes on and the wait cursor still ends (no settings here).
    FakeDesk desk;
    EXPECT_THROW(RunDropBatch({{"/have/throw.png"}, {"/have/b.png"}}, desk, desk, desk.convert),
                 std::runtime_error);
    EXPECT_EQ(desk.depth, 0u);
    EXPECT_EQ(desk.log, "?/have/throw.png > /have/Quillmere/throw.jpg, ");
}

// A new folder gets 0777 less the umask; one level only, and never over something that exists.
TEST(PosixFileSystem, MakesOneFolderUnderTheUmask) {
    std::string temp = std::filesystem::temp_directory_path() / "quillmere-fs-XXXXXX";
    ASSERT_NE(::mkdtemp(temp.data()), nullptr);
    PosixFileSystem fileSystem;
    for (const mode_t mask : {mode_t{022}, mode_t{055}}) {
        const std::string folder = temp + "/Quillmere " + std::to_string(mask) + "/";
        const mode_t previous = ::umask(mask);
        const bool made = fileSystem.MakeFolder(folder);
        ::umask(previous);
        struct stat info {};
        EXPECT_TRUE(made && ::stat(folder.c_str(), &info) == 0);
        EXPECT_EQ(info.st_mode, S_IFDIR | (0777 & ~mask)) << "umask " << mask;
        EXPECT_FALSE(fileSystem.MakeFolder(folder)) << "made twice";
    }
    EXPECT_FALSE(fileSystem.MakeFolder(temp + "/missing/Quillmere/")) << "two levels";
    EXPECT_FALSE(fileSystem.Exists(temp + "/missing"));
    EXPECT_TRUE(fileSystem.Exists("/dev/null")) << "anything at the path counts, not only folders";
    std::filesystem::remove_all(temp);
}
