#include "PosixFileSystem.h"

#include <gtest/gtest.h>

#include "OutputFolder.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Open to every user, so that a test may act as another.
struct TempFolder {
    std::string path = fs::temp_directory_path() / "quillmere-fs-XXXXXX";
    TempFolder() {
        EXPECT_NE(::mkdtemp(path.data()), nullptr);
        ::chmod(path.c_str(), 0755);
    }
    ~TempFolder() { fs::remove_all(path); }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string Read(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

const std::span<const unsigned char> jpeg(reinterpret_cast<const unsigned char*>("jpeg"), 4);

} // namespace

// A new folder gets 0777 less the umask; one level only; a folder that is already there, made
// by another run a moment before, is what was wanted, while a file in its place is not.
TEST(PosixFileSystem, MakesOneFolderUnderTheUmask) {
    const TempFolder temp;
    PosixFileSystem fileSystem;
    const std::string folder = temp / "Quillmere/";
    const mode_t previous = ::umask(055);
    EXPECT_EQ(fileSystem.MakeFolder(folder), "");
    ::umask(previous);
    struct stat info {};
    EXPECT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode, S_IFDIR | 0722);
    std::vector<std::string> problems(8);
    {
        std::vector<std::jthread> runs;
        for (std::string& problem : problems)
            runs.emplace_back([&] { problem = fileSystem.MakeFolder(temp.path + "/race/"); });
    }
    EXPECT_EQ(problems, std::vector<std::string>(8)) << "two runs making one folder at once";
    EXPECT_EQ(fileSystem.MakeFolder(temp.path + "/missing/Quillmere/"),
              "no such file or directory");
    EXPECT_FALSE(fileSystem.Exists(temp.path + "/missing"));
    EXPECT_TRUE(fileSystem.Exists("/dev/null")) << "anything at the path counts, not only folders";
    ASSERT_EQ(::symlink("/dev/null", (temp.path + "/file").c_str()), 0);
    EXPECT_EQ(fileSystem.MakeFolder(temp.path + "/file"), "file exists");
}

// Only a regular file that can be read is a source; a named pipe or a device is refused at
// once instead of hanging the batch, and the reason names what it is.
TEST(PosixFileSystem, RefusesSourcesThatAreNoRegularFile) {
    const TempFolder temp;
    ASSERT_EQ(::mkfifo((temp.path + "/pipe.jpg").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (temp.path + "/zero.jpg").c_str()), 0);
    const std::string file = temp.path + "/picture.jpg";
    ASSERT_EQ(::close(::creat(file.c_str(), 0600)), 0);
    const std::pair<std::string, std::string> rows[] = {
        {file, ""},
        {temp.path + "/nothing.jpg", "no such file or directory"},
        {temp.path, "a folder, not a picture file"},
        {temp.path + "/pipe.jpg", "a named pipe, not a picture file"},
        {temp.path + "/zero.jpg", "a device, not a picture file"},
    };
    PosixFileSystem fileSystem;
    for (const auto& [path, problem] : rows)
        EXPECT_EQ(fileSystem.SourceProblem(path), problem) << path;
    if (::geteuid() != 0) { // root reads whatever the mode says
        ASSERT_EQ(::chmod(file.c_str(), 0), 0);
        EXPECT_EQ(fileSystem.SourceProblem(file), "permission denied");
    }
}

// A write never turns against the person: a Quillmere folder that is the picture's own folder
// (by a link or a bind mount) or a link planted by another user is refused before anything is
// written, and the write itself refuses it again; a link the person (or root) made to another
// folder is followed. A write that fails says why in the system's words, leaves no temporary
// behind and never replaces its own source.
TEST(PosixFileSystem, WritesOnlyWhereNothingOfThePersonsIsLost) {
    const std::string loopsBack = OutputFolder::loopsBack, ofAnother = OutputFolder::linkOfAnother;
    const struct {
        const char* name;
        std::string setup; // shell commands in the temporary folder; a failure skips the row
        std::string refusal, failure;
        const char* writtenTo; // where the output lands, relative to the temporary folder
    } rows[] = {
        {"a folder", "mkdir pictures/Quillmere", "", "", "pictures/Quillmere/a.jpg"},
        {"the person's link to another folder", "ln -s ../elsewhere pictures/Quillmere", "", "",
         "elsewhere/a.jpg"},
        {"root's link to another folder",
         "ln -s ../elsewhere pictures/Quillmere && chown -h 0:0 pictures/Quillmere", "", "",
         "elsewhere/a.jpg"},
        {"a link back to its own folder", "ln -s . pictures/Quillmere", loopsBack, loopsBack,
         nullptr},
        {"a link back by the full path", "ln -s \"$PWD/pictures\" pictures/Quillmere", loopsBack,
         loopsBack, nullptr},
        {"another user's link",
         "ln -s ../elsewhere pictures/Quillmere && chown -h 65534:65534 pictures/Quillmere",
         ofAnother, ofAnother, nullptr},
        {"a bind mount of its own folder",
         "mkdir pictures/Quillmere && mount --bind pictures pictures/Quillmere", loopsBack,
         loopsBack, nullptr},
        {"a folder at the output's name", "mkdir -p pictures/Quillmere/a.jpg", "", "is a directory",
         nullptr},
        {"no folder", "true", "", "no such file or directory", nullptr},
        {"a hard link to the source",
         "mkdir pictures/Quillmere && ln pictures/a.png pictures/Quillmere/a.jpg", "",
         "the output would replace its own source", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TempFolder temp;
        fs::create_directories(temp / "elsewhere");
        fs::create_directories(temp / "pictures");
        Write(temp / "pictures/a.png", "png");
        Write(temp / "pictures/a.jpg", "the person's picture");
        Write(temp / "elsewhere/a.jpg", "the person's other picture");
        if (std::system(("cd " + temp.path + " && " + row.setup + " 2>/dev/null").c_str()) != 0) {
            std::fprintf(stderr, "skipped \"%s\": it cannot be set up here\n", row.name);
            continue;
        }
        PosixFileSystem fileSystem;
        const std::string source = temp / "pictures/a.png";
        EXPECT_EQ(fileSystem.OutputFolderRefusal(source, temp / "pictures/Quillmere/"),
                  row.refusal);
        EXPECT_EQ(fileSystem.WriteOutput(source, temp / "pictures/Quillmere/a.jpg", jpeg),
                  row.failure);
        EXPECT_EQ(Read(source), "png");
        EXPECT_EQ(Read(temp / "pictures/a.jpg"), "the person's picture");
        EXPECT_EQ(Read(temp / (row.writtenTo ? row.writtenTo : "elsewhere/a.jpg")),
                  row.writtenTo ? "jpeg" : "the person's other picture");
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
    fs::create_directory(q);
    fs::create_directory_symlink(q, temp / "link");
    const auto made = [&](const std::string& name) { Write(q + "/" + name, "left"); };
    const auto listing = [&] {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(q))
            names.insert(entry.path().filename());
        return names;
    };
    // Not AtomicFile's names, or no regular file: never removed.
    const std::set<std::string> others = {
        ".quillmere-short.tmp",       ".quillmere-ABCDEFGHIJKL.tmp", ".quillmere-abcdefghijkl.jpg",
        "quillmere-abcdefghijkl.tmp", ".quillmere-0123456789ab.tmp", ".quillmere-zzzzzzzzzzzz.tmp"};
    for (const std::string& name : others)
        if (name.ends_with("9ab.tmp"))
            fs::create_directory(q + "/" + name);
        else if (name.ends_with("zzz.tmp"))
            fs::create_symlink("a.jpg", q + "/" + name);
        else
            made(name);
    made(".quillmere-a1b2c3d4e5f6.tmp");
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // past the clock's coarse tick

    PosixFileSystem run;
    made(".quillmere-000000000000.tmp"); // made during the run: another run's, maybe
    EXPECT_EQ(run.WriteOutput(temp / "a.png", q + "/a.jpg", jpeg), "");
    std::set<std::string> expected = others;
    expected.insert({"a.jpg", ".quillmere-000000000000.tmp"});
    EXPECT_EQ(listing(), expected);

    const timespec later{::time(nullptr) + 3600, 0};
    PosixFileSystem next(later);
    EXPECT_EQ(next.WriteOutput(temp / "a.png", temp / "link/b.jpg", jpeg), "");
    made(".quillmere-111111111111.tmp");
    EXPECT_EQ(next.WriteOutput(temp / "a.png", q + "/c.jpg", jpeg), "") << "the folder once more";
    expected.erase(".quillmere-000000000000.tmp");
    expected.insert({"b.jpg", "c.jpg", ".quillmere-111111111111.tmp"});
    EXPECT_EQ(listing(), expected);
}
