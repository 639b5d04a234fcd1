#include "PosixFileSystem.h"
#include "PosixFolderLister.h"

#include <gtest/gtest.h>

#include "OutputFolder.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct TempFolder {
    std::string path = fs::temp_directory_path() / "quillmere-fs-XXXXXX";
    TempFolder() { EXPECT_NE(::mkdtemp(path.data()), nullptr); }
    ~TempFolder() { fs::remove_all(path); }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
    // Runs shell commands in the folder; says whether they all succeeded.
    bool Shell(const std::string& commands) const {
        return std::system(("cd " + path + " && " + commands).c_str()) == 0;
    }
};

const std::span<const unsigned char> jpeg(reinterpret_cast<const unsigned char*>("jpeg"), 4);

} // namespace

// In one folder: the real lister says what each entry is from the listing, following links
// only to see where they lead: a link to a folder is not a folder to enter, a link to a file is a
// file, a link to nothing is some other entry. Only a regular file that can be read is a source;
// a named pipe or a device is refused at once instead of hanging the batch, and the reason names
// what it is. A new folder gets 0777 less the umask; one level only; a folder that is already
// there, made by another run a moment before, is what was wanted, while anything else in its
// place is not.
TEST(PosixFileSystem, ListsRefusesSourcesAndMakesFolders) {
    const TempFolder temp;
    ASSERT_TRUE(temp.Shell("mkdir sub && touch a.png && ln -s a.png to-file.png && ln -s . loop && "
                           "ln -s nowhere broken.png && mkfifo pipe.png && ln -s /dev/zero z.png"));
    PosixFolderLister lister;
    std::vector<FolderEntry> entries;
    EXPECT_EQ(lister.List(temp.path, entries), "");
    const char* const kindNames[] = {"file", "folder", "linked folder", "other"};
    std::set<std::string> kinds;
    for (const FolderEntry& entry : entries)
        kinds.insert(entry.name + " " + kindNames[int(entry.kind)]);
    EXPECT_EQ(kinds, (std::set<std::string>{"sub folder", "a.png file", "to-file.png file",
                                            "loop linked folder", "broken.png other",
                                            "pipe.png other", "z.png other"}));
    EXPECT_TRUE(lister.IsFolder(temp / "loop"));
    EXPECT_FALSE(lister.IsFolder(temp / "a.png"));
    EXPECT_EQ(lister.List(temp / "none", entries), "no such file or directory");

    // clang-format off
    const std::pair<std::string, std::string> rows[] = {
        {"a.png", ""}, {"nothing.png", "no such file or directory"},
        {".", "a folder, not a picture file"}, {"pipe.png", "a named pipe, not a picture file"},
        {"z.png", "a device, not a picture file"}};
    // clang-format on
    PosixFileSystem fileSystem;
    for (const auto& [name, problem] : rows)
        EXPECT_EQ(fileSystem.SourceProblem(temp / name), problem) << name;
    if (::geteuid() != 0) { // root reads whatever the mode says
        ASSERT_EQ(::chmod((temp / "a.png").c_str(), 0), 0);
        EXPECT_EQ(fileSystem.SourceProblem(temp / "a.png"), "permission denied");
    }

    const std::string folder = temp / "Quillmere/";
    const mode_t previous = ::umask(055);
    EXPECT_EQ(fileSystem.MakeFolder(folder), "");
    ::umask(previous);
    EXPECT_EQ(fs::status(folder).permissions(), fs::perms(0722));
    EXPECT_EQ(fileSystem.MakeFolder(folder), "") << "made a moment before by another run";
    EXPECT_EQ(fileSystem.MakeFolder(temp / "missing/Quillmere/"), "no such file or directory");
    EXPECT_FALSE(fileSystem.Exists(temp / "missing"));
    EXPECT_TRUE(fileSystem.Exists("/dev/null")) << "anything at the path counts, not only folders";
    EXPECT_EQ(fileSystem.MakeFolder(temp / "z.png"), "file exists");
}

// A write never turns against the person: a Quillmere folder that is the picture's own folder
// (by a link or a bind mount) or a link planted by another user is refused before anything is
// written, and the write itself refuses it again; a link the person made to another folder is
// followed. A write that fails says why in the system's words, leaves no temporary
// behind and never replaces its own source.
TEST(PosixFileSystem, WritesOnlyWhereNothingOfThePersonsIsLost) {
    const std::string loopsBack = OutputFolder::loopsBack, ofAnother = OutputFolder::linkOfAnother;
    const struct {
        // The setup is shell commands in the temporary folder, a failure of which skips the row;
        // the output lands at writtenTo, relative to the temporary folder, when it is written.
        std::string name, setup, refusal, failure, writtenTo = {};
    } rows[] = {
        {"a folder", "mkdir pictures/Quillmere", "", "", "pictures/Quillmere/a.jpg"},
        {"the person's link to another folder", "ln -s ../elsewhere pictures/Quillmere", "", "",
         "elsewhere/a.jpg"},
        {"a link back to its own folder", "ln -s . pictures/Quillmere", loopsBack, loopsBack},
        {"another user's link",
         "ln -s ../elsewhere pictures/Quillmere && chown -h 65534:65534 pictures/Quillmere",
         ofAnother, ofAnother},
        {"a bind mount of its own folder",
         "mkdir pictures/Quillmere && mount --bind pictures pictures/Quillmere", loopsBack,
         loopsBack},
        {"a folder at the output's name", "mkdir -p pictures/Quillmere/a.jpg", "",
         "is a directory"},
        {"no folder", "true", "", "no such file or directory"},
        {"a hard link to the source",
         "mkdir pictures/Quillmere && ln pictures/a.png pictures/Quillmere/a.jpg", "",
         "the output would replace its own source"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TempFolder temp;
        if (!temp.Shell("mkdir pictures elsewhere && touch pictures/a.png && " + row.setup +
                        " 2>/dev/null")) {
            std::fprintf(stderr, "skipped \"%s\": it cannot be set up here\n", row.name.c_str());
            continue;
        }
        PosixFileSystem fileSystem;
        const std::string source = temp / "pictures/a.png";
        EXPECT_EQ(fileSystem.OutputFolderRefusal(source, temp / "pictures/Quillmere/"),
                  row.refusal);
        EXPECT_EQ(fileSystem.WriteOutput(source, temp / "pictures/Quillmere/a.jpg", jpeg),
                  row.failure);
        EXPECT_TRUE(row.writtenTo.empty() || fs::exists(temp / row.writtenTo));
        std::error_code missing;
        for (const auto& entry : fs::directory_iterator(temp / "pictures/Quillmere", missing))
            EXPECT_FALSE(entry.path().filename().string().starts_with(".quillmere-"))
                << "left behind";
        ::umount((temp / "pictures/Quillmere").c_str());
    }
}

// The first write into a folder clears the temporary files a killed run left there: only the
// names AtomicFile makes, only regular files, only those changed before the run started; once
// per folder and run, however the folder is reached.
TEST(PosixFileSystem, ClearsStaleTemporariesOncePerFolder) {
    const TempFolder temp;
    const std::string q = temp / "Quillmere";
    const auto listing = [&] { return std::set<fs::path>(fs::directory_iterator(q), {}); };
    // Not AtomicFile's names, or no regular file: never removed.
    ASSERT_TRUE(
        temp.Shell("mkdir Quillmere && ln -s Quillmere link && cd Quillmere && touch "
                   ".quillmere-short.tmp .quillmere-ABCDEFGHIJKL.tmp "
                   ".quillmere-abcdefghijkl.jpg quillmere-abcdefghijkl.tmp && mkdir "
                   ".quillmere-0123456789ab.tmp && ln -s a.jpg .quillmere-zzzzzzzzzzzz.tmp"));
    std::set<fs::path> expected = listing();
    std::ofstream(q + "/.quillmere-a1b2c3d4e5f6.tmp");
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // past the clock's coarse tick

    PosixFileSystem run;
    std::ofstream(q + "/.quillmere-000000000000.tmp"); // made during the run: another run's, maybe
    EXPECT_EQ(run.WriteOutput(temp / "a.png", q + "/a.jpg", jpeg), "");
    expected.insert({q + "/a.jpg", q + "/.quillmere-000000000000.tmp"});
    EXPECT_EQ(listing(), expected);

    PosixFileSystem next(timespec{::time(nullptr) + 3600, 0});
    EXPECT_EQ(next.WriteOutput(temp / "a.png", temp / "link/b.jpg", jpeg), "");
    std::ofstream(q + "/.quillmere-111111111111.tmp");
    EXPECT_EQ(next.WriteOutput(temp / "a.png", q + "/c.jpg", jpeg), "") << "the folder once more";
    expected.erase(q + "/.quillmere-000000000000.tmp");
    expected.insert({q + "/b.jpg", q + "/c.jpg", q + "/.quillmere-111111111111.tmp"});
    EXPECT_EQ(listing(), expected);
}
