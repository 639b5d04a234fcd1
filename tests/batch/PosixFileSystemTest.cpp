#include "PosixFileSystem.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

struct TempFolder {
    std::string path = std::filesystem::temp_directory_path() / "quillmere-fs-XXXXXX";
    TempFolder() { EXPECT_NE(::mkdtemp(path.data()), nullptr); }
    ~TempFolder() { std::filesystem::remove_all(path); }
};

} // namespace

// A new folder gets 0777 less the umask; one level only; a folder that is already there, made
// by another run a moment before, is what was wanted, while a file in its place is not.
TEST(PosixFileSystem, MakesOneFolderUnderTheUmask) {
    const TempFolder temp;
    PosixFileSystem fileSystem;
    for (const mode_t mask : {mode_t{022}, mode_t{055}}) {
        const std::string folder = temp.path + "/Quillmere " + std::to_string(mask) + "/";
        const mode_t previous = ::umask(mask);
        const std::string problem = fileSystem.MakeFolder(folder);
        ::umask(previous);
        struct stat info {};
        EXPECT_EQ(problem, "");
        EXPECT_EQ(::stat(folder.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode, S_IFDIR | (0777 & ~mask)) << "umask " << mask;
        EXPECT_EQ(fileSystem.MakeFolder(folder), "") << "made twice";
    }
    std::vector<std::string> problems(8);
    {
        std::vector<std::jthread> runs;
        for (std::string& problem : problems)
            runs.emplace_back([&] { problem = fileSystem.MakeFolder(temp.path + "/race/"); });
    }
    EXPECT_EQ(problems, std::vector<std::string>(8)) << "two runs making one folder at once";
    EXPECT_EQ(fileSystem.MakeFolder(temp.path + "/missing/Quillmere/"),
              "No such file or directory");
    EXPECT_FALSE(fileSystem.Exists(temp.path + "/missing"));
    EXPECT_TRUE(fileSystem.Exists("/dev/null")) << "anything at the path counts, not only folders";
    ASSERT_EQ(::symlink("/dev/null", (temp.path + "/file").c_str()), 0);
    EXPECT_EQ(fileSystem.MakeFolder(temp.path + "/file"), "File exists");
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
        {temp.path + "/nothing.jpg", "No such file or directory"},
        {temp.path, "a folder, not a picture file"},
        {temp.path + "/pipe.jpg", "a named pipe, not a picture file"},
        {temp.path + "/zero.jpg", "a device, not a picture file"},
    };
    PosixFileSystem fileSystem;
    for (const auto& [path, problem] : rows)
        EXPECT_EQ(fileSystem.SourceProblem(path), problem) << path;
    if (::geteuid() != 0) { // root reads whatever the mode says
        ASSERT_EQ(::chmod(file.c_str(), 0), 0);
        EXPECT_EQ(fileSystem.SourceProblem(file), "Permission denied");
    }
}
