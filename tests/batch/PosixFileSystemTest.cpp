#include "PosixFileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A fresh folder under the system's temporary folder, removed with its
// contents at the end.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = std::filesystem::temp_directory_path() / "quillmere-fs-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr)
            path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string path;
};

// Restores the process's umask when a test ends.
class UmaskGuard {
public:
    explicit UmaskGuard(mode_t mask) : previous(::umask(mask)) {}
    ~UmaskGuard() { ::umask(previous); }
    UmaskGuard(const UmaskGuard&) = delete;
    UmaskGuard& operator=(const UmaskGuard&) = delete;

private:
    mode_t previous;
};

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode : 0;
}

} // namespace

// A new folder gets 0777 less the umask, like any folder the user makes;
// one level only, and never over something that exists.
TEST(PosixFileSystem, MakesFoldersUnderTheUmask) {
    TempFolder temp;
    ASSERT_FALSE(temp.path.empty());
    PosixFileSystem fileSystem;

    for (const mode_t mask : {mode_t{022}, mode_t{077}, mode_t{002}}) {
        SCOPED_TRACE("umask " + std::to_string(mask));
        const UmaskGuard guard(mask);
        const std::string folder = temp.path + "/Quillmere " + std::to_string(mask) + "/";
        EXPECT_FALSE(fileSystem.Exists(folder));
        ASSERT_TRUE(fileSystem.MakeFolder(folder));
        EXPECT_TRUE(fileSystem.Exists(folder));
        EXPECT_TRUE(S_ISDIR(ModeOf(folder)));
        EXPECT_EQ(ModeOf(folder) & 07777, 0777 & ~mask);
        EXPECT_FALSE(fileSystem.MakeFolder(folder)) << "made twice";
    }

    EXPECT_FALSE(fileSystem.MakeFolder(temp.path + "/missing/Quillmere/")) << "two levels";
    EXPECT_FALSE(fileSystem.Exists(temp.path + "/missing"));
    EXPECT_TRUE(fileSystem.Exists(temp.path)) << "a folder exists";
    const std::string file = temp.path + "/plain";
    std::ofstream(file) << "not a folder";
    EXPECT_TRUE(fileSystem.Exists(file)) << "anything at the path counts";
    EXPECT_FALSE(fileSystem.MakeFolder(file));
}
