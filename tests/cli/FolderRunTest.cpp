// quillmere-cli on real folders: a tree with pictures, other files, old outputs, a hidden
// folder, a link loop and a folder it cannot read; and the README's recipe for an archive
// spread over machines, run with GNU parallel on this machine alone.

#include <vips/vips8>

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Ran {
    int status = -1;
    std::string out, err;
};

std::string Slurp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// Runs a shell command in folder, standard input from /dev/null, ended after a minute.
Ran Shell(const std::string& folder, const std::string& command) {
    const std::string out = folder + "/.out", err = folder + "/.err";
    const std::string line = "cd '" + folder + "' && PATH='" QUILLMERE_CLI_DIR "':\"$PATH\" " +
                             "timeout 60 sh -c '" + command + "' </dev/null >'" + out + "' 2>'" +
                             err + "'";
    Ran ran;
    const int status = std::system(line.c_str());
    ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ran.out = Slurp(out);
    ran.err = Slurp(err);
    fs::remove(out);
    fs::remove(err);
    return ran;
}

// Every file under folder, sorted, a JPEG with its size; links are neither listed nor followed.
std::string Listing(const std::string& folder) {
    std::set<std::string> files;
    for (auto it = fs::recursive_directory_iterator(folder);
         it != fs::recursive_directory_iterator(); ++it) {
        if (it->is_symlink() || it->is_directory())
            continue;
        std::string line = fs::relative(it->path(), folder).string();
        if (line.ends_with(".jpg")) {
            try {
                const vips::VImage image = vips::VImage::new_from_file(it->path().c_str());
                line += " " + std::to_string(image.width()) + "x" + std::to_string(image.height());
            } catch (const vips::VError&) {
                line += " (no picture)";
            }
        }
        files.insert(line);
    }
    std::string text;
    for (const std::string& file : files)
        text += file + "\n";
    return text;
}

void Picture(const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    vips::VImage::black(60, 20).new_from_image({0, 0, 255}).pngsave(path.c_str());
}

// Root runs past permissions; without the capability to do so, it meets them like anyone.
std::string AsAnyone() {
    return ::geteuid() == 0 ? "setpriv --bounding-set=-dac_override,-dac_read_search " : "";
}

} // namespace

// A named folder asks once; No (no terminal, no --yes) writes nothing; Yes converts its
// pictures and its subfolders' into a Quillmere folder beside each, never the old outputs nor
// a hidden folder, goes round no loop, reports a folder it cannot read and counts the files
// passed over. A folder without pictures fails with its reason. A list of names converts them.
TEST(CliFolders, ConvertsATreeWithOneQuestion) {
    const QTemporaryDir temporary;
    const std::string root = temporary.path().toStdString();
    const std::string tree = root + "/Holidays";
    for (const char* name : {"IMG_10.png", "IMG_2.png", "Quillmere/older.png", ".cache/c.png",
                             "day1/a.png", "day1/locked/l.png"})
        Picture(tree + "/" + name);
    std::ofstream(tree + "/Quillmere/IMG_2.jpg") << "old";
    std::ofstream(tree + "/notes.txt") << "notes";
    std::ofstream(tree + "/day1/clip.mp4") << "video";
    fs::create_symlink("..", tree + "/day1/loop");
    fs::create_directory(root + "/empty");
    std::ofstream(root + "/empty/readme") << "none";
    ::chmod((tree + "/day1/locked").c_str(), 0);
    const std::string before =
        ".cache/c.png\nIMG_10.png\nIMG_2.png\nQuillmere/IMG_2.jpg (no picture)\n"
        "Quillmere/older.png\nday1/a.png\nday1/clip.mp4\nday1/locked/l.png\nnotes.txt\n";
    const std::string question = "quillmere-cli: Convert the 3 pictures in Holidays and its 1 "
                                 "folder?\n\nA Quillmere folder is made beside the pictures in "
                                 "each folder. [yes/no] ";

    const struct {
        const char* name;
        std::string command;
        int status;
        std::string out, err, listing;
    } rows[] = {
        {"no terminal to say yes", AsAnyone() + "quillmere-cli --width 40 --height 30 Holidays", 1,
         "0 converted, 0 failed, 4 skipped, 2 other files passed over\n",
         question + "no (no terminal to ask; --yes answers yes)\n", before},
        {"yes", AsAnyone() + "quillmere-cli --yes --keep-going --width 40 --height 30 Holidays/", 1,
         "3 converted, 1 failed, 0 skipped, 2 other files passed over\n",
         question + "yes (--yes)\nquillmere-cli: " + tree +
             "/day1/locked: permission denied [ok/cancel] ok (--keep-going)\n",
         ".cache/c.png\nIMG_10.png\nIMG_2.png\nQuillmere/IMG_10.jpg 40x30\nQuillmere/IMG_2.jpg "
         "40x30\nQuillmere/older.png\nday1/Quillmere/a.jpg "
         "40x30\nday1/a.png\nday1/clip.mp4\nday1/locked/l.png\n"
         "notes.txt\n"},
        {"no pictures", "quillmere-cli --yes empty", 1,
         "0 converted, 1 failed, 0 skipped, 1 other file passed over\n",
         "quillmere-cli: " + root +
             "/empty: holds no pictures Quillmere reads [ok/cancel] cancel (no terminal to ask; "
             "--keep-going answers ok)\n",
         ""},
        {"a list of names, one a line, blank lines passed over",
         "printf \"Holidays/IMG_2.png\\n\\n$PWD/Holidays/day1/a.png\\n\" > list && "
         "quillmere-cli --width 20 --height 10 --files-from list && rm list",
         0, "2 converted, 0 failed, 0 skipped\n", "",
         ".cache/c.png\nIMG_10.png\nIMG_2.png\nQuillmere/IMG_10.jpg 40x30\nQuillmere/IMG_2.jpg "
         "20x10\nQuillmere/older.png\nday1/Quillmere/a.jpg "
         "20x10\nday1/a.png\nday1/clip.mp4\nday1/locked/l.png\n"
         "notes.txt\n"},
        {"a list that cannot be read", "quillmere-cli --files-from nolist", 2, "",
         "quillmere-cli: cannot read the list \"nolist\": no such file or directory\n", ""},
        {"a zero byte without --null", "printf \"a\\0b\" | quillmere-cli --files-from -", 2, "",
         "quillmere-cli: the list standard input holds a zero byte; --null reads a list of "
         "names each ended by one\n",
         ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Ran ran = Shell(root, row.command);
        EXPECT_EQ(ran.status, row.status);
        EXPECT_EQ(ran.out, row.out);
        EXPECT_EQ(ran.err, row.err);
        if (!row.listing.empty()) {
            ::chmod((tree + "/day1/locked").c_str(), 0700);
            EXPECT_EQ(Listing(tree), row.listing);
            ::chmod((tree + "/day1/locked").c_str(), 0);
        }
    }
    ::chmod((tree + "/day1/locked").c_str(), 0700);
}

// The README's recipe, word for word but for its archive and hosts, converts every picture
// of an archive and every link to one, names with blanks and line feeds included, beside
// itself, and nothing else.
TEST(CliFolders, TheReadmeRecipeConvertsAnArchive) {
    std::ifstream readme(QUILLMERE_README);
    std::string line, recipe;
    bool inSection = false, inBlock = false;
    while (std::getline(readme, line)) {
        if (line.starts_with("## "))
            inSection = line == "## Millions of pictures";
        else if (inSection && line.starts_with("```"))
            inBlock = !inBlock;
        else if (inSection && inBlock)
            recipe += line + "\n";
    }
    ASSERT_TRUE(recipe.starts_with("archive=/srv/photos hosts=host1,host2,:\n")) << recipe;
    recipe.erase(0, recipe.find('\n') + 1);

    const QTemporaryDir temporary;
    const std::string archive = temporary.path().toStdString() + "/archive";
    const char* const pictures[] = {"2019/IMG_1.png", "2019/IMG 2.PNG", "2019/day 3/a.png",
                                    "2020/line\nfeed.png", "top.png"};
    for (const char* name : pictures)
        Picture(archive + "/" + name);
    Picture(archive + "/2019/Quillmere/old.png");
    Picture(archive + "/.trash/t.png");
    std::ofstream(archive + "/2020/clip.mp4") << "video";
    fs::create_symlink("../top.png", archive + "/2020/link.png");

    std::ofstream(temporary.path().toStdString() + "/recipe")
        << "archive='" + archive + "' hosts=:\n" + recipe;
    // parallel keeps its state under the home folder; this one is the test's own.
    const Ran ran = Shell(temporary.path().toStdString(), "HOME=$PWD sh recipe");
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(ran.err.find("[ok/cancel]"), std::string::npos) << "a failure: " << ran.err;
    EXPECT_EQ(ran.out, "6 converted, 0 failed, 0 skipped\n");
    EXPECT_EQ(Listing(archive),
              ".trash/t.png\n2019/IMG 2.PNG\n2019/IMG_1.png\n2019/Quillmere/IMG 2.jpg "
              "800x600\n2019/Quillmere/IMG_1.jpg 800x600\n2019/Quillmere/old.png\n2019/day "
              "3/Quillmere/a.jpg 800x600\n2019/day 3/a.png\n2020/Quillmere/line\nfeed.jpg "
              "800x600\n2020/Quillmere/link.jpg "
              "800x600\n2020/clip.mp4\n2020/line\nfeed.png\nQuillmere/top.jpg 800x600\n"
              "top.png\n");
}
