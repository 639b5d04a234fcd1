#include "DialogFixture.h"
#include "PosixFolderLister.h"

#include <chrono>
#include <thread>
#include <unistd.h>

namespace {

using FolderDrop = DialogFixture;

// The real folders, but a folder named locked cannot be read even by root, which the kernel
// lets read any folder.
struct LockedFolders final : FolderLister {
    PosixFolderLister real;
    bool IsFolder(const std::string& path) override { return real.IsFolder(path); }
    std::string List(const std::string& folder, std::vector<FolderEntry>& entries) override {
        if (::geteuid() == 0 && folder.ends_with("/locked"))
            return "Permission denied";
        return real.List(folder, entries);
    }
};

// A folder that never ends: each level holds a picture and the next level, and takes a
// moment to list, as a huge tree on a slow disk does.
struct EndlessFolders final : FolderLister {
    bool IsFolder(const std::string&) override { return true; }
    std::string List(const std::string&, std::vector<FolderEntry>& entries) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        entries = {{"p.png", FolderEntry::Kind::file}, {"next", FolderEntry::Kind::folder}};
        return {};
    }
};

// A dropped folder asks once, under the busy cursor, before anything is written: Yes converts
// its pictures and its subfolder's in natural order, counted as pictures in the progress,
// making their output folders without asking, never the old outputs, a hidden folder or the
// way round a link loop; a folder that cannot be read fails with its reason; the result counts
// the other files. No converts nothing and makes no folder.
TEST_F(FolderDrop, OneQuestionThenThePicturesInside) {
    LockedFolders lister;
    folders = &lister;
    const QDir root(folder.path());
    for (const char* name :
         {"Holidays/IMG_10.png", "Holidays/IMG_2.png", "Holidays/notes.txt",
          "Holidays/Quillmere/old.png", "Holidays/.hidden/h.png", "Holidays/day1/a.png",
          "Holidays/day1/clip.mp4", "Holidays/day1/locked/l.png"}) {
        ASSERT_TRUE(root.mkpath(QFileInfo(root.filePath(name)).path()));
        QFile(root.filePath(name)).open(QIODevice::WriteOnly);
    }
    ASSERT_TRUE(QFile::link("..", root.filePath("Holidays/day1/loop")));
    ASSERT_TRUE(QFile::setPermissions(root.filePath("Holidays/day1/locked"), {}));
    const std::string question = "Convert the 3 pictures in Holidays and its 1 folder?\n\nA "
                                 "Quillmere folder is made beside the pictures in each folder.";
    Open();

    answers = {IdNo};
    Drop(*dialog, {File("Holidays")});
    EXPECT_EQ(shown, std::vector{Shown(question, 0x24, true)});
    EXPECT_TRUE(conversions.empty());
    EXPECT_FALSE(root.exists("Holidays/day1/Quillmere"));
    EXPECT_EQ(Status(), "0 converted, 4 skipped, 2 other files passed over");

    shown.clear();
    answers = {IdYes, IdOk};
    Hold();
    DeliverDrop(*dialog, {File("Holidays")});
    EXPECT_TRUE(QTest::qWaitFor([this] { return Progress() == "1 of 4: IMG_2.png"; }, 5000))
        << Progress();
    Release();
    Settle();
    EXPECT_EQ(shown,
              (std::vector{Shown(question, 0x24, true),
                           Shown(Path("Holidays/day1/locked"), 0x31, true, "Permission denied")}));
    std::vector<std::string> written;
    for (const Profile& conversion : conversions)
        written.push_back(conversion.name);
    EXPECT_EQ(written,
              (std::vector<std::string>{
                  Path("Holidays/IMG_2.png") + " > " + Path("Holidays/Quillmere/IMG_2.jpg"),
                  Path("Holidays/IMG_10.png") + " > " + Path("Holidays/Quillmere/IMG_10.jpg"),
                  Path("Holidays/day1/a.png") + " > " + Path("Holidays/day1/Quillmere/a.jpg")}));
    EXPECT_TRUE(root.exists("Holidays/day1/Quillmere"));
    EXPECT_FALSE(root.exists("Holidays/.hidden/Quillmere"));
    EXPECT_EQ(Status(), "3 converted into Holidays/Quillmere and 1 more folder, 1 failed, 2 other "
                        "files passed over");
    QFile::setPermissions(root.filePath("Holidays/day1/locked"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Looking through a huge folder shows the pictures found so far and goes on while the dialog
// answers; Stop and Escape end it within half a second, before any question.
TEST_F(FolderDrop, LookingThroughAHugeFolderStopsAtOnce) {
    EndlessFolders endless;
    folders = &endless;
    Open();
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Stop", [this] { Click("buttonStop"); }},
        {"Escape", [this] { QTest::keyClick(dialog.get(), Qt::Key_Escape); }},
    };
    for (const auto& [name, stop] : ways) {
        SCOPED_TRACE(name);
        DeliverDrop(*dialog, {File("Archive")});
        // A count past the first shows the row follows the look as it goes.
        ASSERT_TRUE(QTest::qWaitFor(
            [this] {
                return Progress().starts_with("Looking through Archive: ") &&
                       Progress().ends_with(" pictures so far") &&
                       Progress() != "Looking through Archive: 0 pictures so far";
            },
            5000))
            << Progress();
        const auto start = std::chrono::steady_clock::now();
        stop();
        EXPECT_TRUE(QTest::qWaitFor([this] { return dialog->Idle(); }, 5000));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
        EXPECT_TRUE(Status().starts_with("Stopped after 0 of ")) << Status();
        EXPECT_TRUE(shown.empty());
        EXPECT_TRUE(conversions.empty());
    }
}

} // namespace
