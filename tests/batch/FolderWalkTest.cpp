#include "FolderWalk.h"
#include "DroppedFolders.h"
#include "FakeDesk.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using Kind = FolderEntry::Kind;

// A tree held in memory: each folder's entries in the order the file system happens to list
// them, and the folders that cannot be read with their reason. Requests the stop when the folder
// stopAt is listed. /h, the holidays, holds pictures whose names sort differently by bytes, case
// and number, other files (a hidden picture among them), a Quillmere folder of old outputs, a
// hidden folder, a link back to itself, and two days, the second of which holds a folder that
// cannot be read. /one, also spelt /one/, holds one picture and /empty none.
struct FakeTree final : FolderLister {
    std::map<std::string, std::vector<FolderEntry>> folders = {
        // clang-format off
        {"/h", {{"IMG_10.jpg", Kind::file}, {"day10", Kind::folder}, {"img_2.JPG", Kind::file},
                {"notes.txt", Kind::file}, {"Quillmere", Kind::folder}, {".thumbs", Kind::folder},
                {"IMG_1.png", Kind::file}, {"clip.mp4", Kind::file}, {".hidden.jpg", Kind::file},
                {"again", Kind::linkedFolder}, {"pipe.png", Kind::other}, {"Day2", Kind::folder}}},
        // clang-format on
        {"/h/Day2", {{"b.heic", Kind::file}, {"A.tif", Kind::file}}},
        {"/h/day10", {{"locked", Kind::folder}, {"x.gif", Kind::file}}},
        {"/h/Quillmere", {{"IMG_1.jpg", Kind::file}}},
        {"/h/.thumbs", {{"t.png", Kind::file}}},
        {"/empty", {{"notes.txt", Kind::file}}},
        {"/one", {{"p.png", Kind::file}}},
        {"/one/", {{"p.png", Kind::file}}}};
    std::map<std::string, std::string> unreadable = {{"/h/day10/locked", "Permission denied"},
                                                     {"/gone", "Input/output error"}};
    std::stop_source stop;
    std::string stopAt;

    bool IsFolder(const std::string& path) override {
        return folders.contains(path) || unreadable.contains(path);
    }
    std::string List(const std::string& folder, std::vector<FolderEntry>& entries) override {
        if (folder == stopAt)
            stop.request_stop();
        if (unreadable.contains(folder))
            return unreadable[folder];
        entries = folders.at(folder);
        return {};
    }
};

} // namespace

// Numbers by value wherever they stand, letters without case, ties broken by bytes so that no
// two names are equal; pictures are named by their extension in any case; counts read with
// thousands.
TEST(FolderWalk, NamesInNaturalOrderPicturesByExtensionCountsWithThousands) {
    const std::vector<std::string> sorted = {
        "01", "1",   "2", "10", "A",         "a",          "A1",          "a1b",     "a02",
        "a2", "a10", "B", "b1", "IMG_2.jpg", "img_10.jpg", "IMG_10a.jpg", "\xc3\xa9"};
    for (std::size_t i = 0; i + 1 < sorted.size(); ++i) {
        SCOPED_TRACE(sorted[i] + " < " + sorted[i + 1]);
        EXPECT_TRUE(NaturalLess(sorted[i], sorted[i + 1]));
        EXPECT_FALSE(NaturalLess(sorted[i + 1], sorted[i]));
    }
    EXPECT_FALSE(NaturalLess("a", "a"));
    for (const char* name :
         {"a.jpg", "b.JPEG", "c.jpe", "d.JFIF", "e.png", "f.Gif", "g.webp", "h.tif", "i.TIFF",
          "j.heic", "k.heif", "l.avif", "m.jxl", "n.bmp", "x.y.png"})
        EXPECT_TRUE(IsPictureName(name)) << name;
    for (const char* name : {"a.svg", "a.mp4", "jpg", "a.jpg.txt", "a.", "a.pngx", "a.jp"})
        EXPECT_FALSE(IsPictureName(name)) << name;
    const std::pair<std::size_t, const char*> counts[] = {
        {0, "0"}, {999, "999"}, {1000, "1,000"}, {1204, "1,204"}, {1234567, "1,234,567"}};
    for (const auto& [count, text] : counts)
        EXPECT_EQ(CountText(count), text);
}

// A dropped folder asks once, before anything is written, and Yes makes every output folder
// under it without asking; files dropped beside it keep their own folder question; a folder
// with no pictures, or that cannot be read, fails at its place; No ends the batch before
// anything is written; a stop while looking ends it before any question. The pictures of the
// holidays go in natural order, a folder's own before its subfolders'; our outputs, hidden
// folders and links to folders are not entered; other files and hidden ones are passed over.
TEST(DroppedFolders, OneQuestionPerFolderBeforeAnythingIsWritten) {
    const struct {
        const char* name;
        std::vector<DroppedItem> drop;
        std::vector<int> answers, outcome; // the outcome as Counts gives it
        std::string log, stopAt;
        // What the front end heard while looking: at the start and the whole count at the end.
        std::vector<std::string> looking;
    } rows[] = {
        // clang-format off
        {"a file, a folder, an empty folder, a folder that cannot be read",
         {{"/x/a.png"}, {"/h"}, {"/empty"}, {"/gone"}}, {IdYes, IdYes, IdOk, IdOk, IdOk},
         {7, 3, 0, 0, 5, 0},
         "36 Convert the 6 pictures in h and its 2 folders?\n\nA Quillmere folder is made beside "
         "the pictures in each folder., ?36 Directory doesn't exist:  /x/Quillmere/\n\nCreate it?, "
         "mkdir /x/Quillmere/, write /x/Quillmere/a.jpg (jp), ?mkdir /h/Quillmere/, write "
         "/h/Quillmere/IMG_1.jpg (jp), ?write /h/Quillmere/img_2.jpg (jp), ?write "
         "/h/Quillmere/IMG_10.jpg (jp), ?mkdir /h/Day2/Quillmere/, write /h/Day2/Quillmere/A.jpg "
         "(jp), ?write /h/Day2/Quillmere/b.jpg (jp), ?mkdir /h/day10/Quillmere/, write "
         "/h/day10/Quillmere/x.jpg (jp), 49 /h/day10/locked (Permission denied), 49 /empty (holds "
         "no pictures Quillmere reads), 49 /gone (Input/output error), ",
         "", {"h 0", "h 6", "empty 0", "empty 0", "gone 0", "gone 0"}},
        {"No to the folder ends before the file beside it is written",
         {{"/x/a.png"}, {"/one/"}, {"/h"}}, {IdNo}, {0, 0, 3, 1, 0, 0},
         "36 Convert the 1 picture in one?\n\nA Quillmere folder is made beside the pictures in "
         "each folder., ", "", {"one 0", "one 1"}},
        {"a stop while looking", {{"/x/a.png"}, {"/h"}, {"/one"}}, {}, {0, 0, 7, 1, 4, 1}, "",
         "/h/Day2", {"h 0"}},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FakeTree tree;
        tree.stopAt = row.stopAt;
        FakeDesk desk;
        desk.answers = row.answers;
        std::vector<std::string> looking; // "folder count"
        const BatchOptions options{
            .jobs = 2, .onItem = {}, .onLooking = [&](const std::string& name, std::size_t n) {
                looking.push_back(name + " " + std::to_string(n));
            }};
        EXPECT_EQ(Counts(RunDropWithFolders(row.drop, desk, desk, tree, std::ref(desk), options,
                                            tree.stop.get_token())),
                  row.outcome);
        EXPECT_FALSE(desk.Started("/h/day10/locked")) << "a failed item was converted";
        EXPECT_EQ(desk.log, row.log);
        EXPECT_EQ(looking, row.looking);
    }
    // The count of pictures so far is heard after each folder that could be read.
    FakeTree tree;
    std::vector<std::size_t> heard;
    WalkFolder("/h", tree, {}, [&](std::size_t n) { heard.push_back(n); });
    EXPECT_EQ(heard, (std::vector<std::size_t>{3, 5, 6}));
}
