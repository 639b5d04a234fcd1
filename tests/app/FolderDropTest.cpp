#include "DialogFixture.h"

#include <chrono>
#include <thread>

namespace {

using FolderDrop = DialogFixture;

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

// A dropped folder, looked through on the real file system, asks once under
// the busy cursor; Yes converts its pictures and its subfolder's, counted as
// pictures in the progress, and the result counts the other files. Which
// pictures in which order is the walk's own (tests/batch).
TEST_F(FolderDrop, OneQuestionThenThePicturesInside) {
    const QDir root(folder.path());
    for (const char* name : {"Holidays/IMG_10.png", "Holidays/IMG_2.png", "Holidays/notes.txt",
                             "Holidays/day1/a.png"}) {
        ASSERT_TRUE(root.mkpath(QFileInfo(root.filePath(name)).path()));
        QFile(root.filePath(name)).open(QIODevice::WriteOnly);
    }
    Open();
    answers = {IdYes};
    Hold();
    DeliverDrop(*dialog, {File("Holidays")});
    EXPECT_TRUE(QTest::qWaitFor([this] { return Progress() == "1 of 3: IMG_2.png"; }, 5000))
        << Progress();
    Release();
    Settle();
    EXPECT_EQ(shown,
              std::vector{Shown("Convert the 3 pictures in Holidays and its 1 folder?\n\nA "
                                "Quillmere folder is made beside the pictures in each folder.",
                                0x24, true)});
    EXPECT_EQ(conversions.size(), 3u);
    EXPECT_TRUE(root.exists("Holidays/day1/Quillmere"));
    EXPECT_EQ(Status(), "3 converted into Holidays/Quillmere and 1 more folder, 1 other file "
                        "passed over");
}

// Looking through a huge folder shows the pictures found so far and goes on while the dialog
// answers; Stop ends it within half a second, before any question.
TEST_F(FolderDrop, LookingThroughAHugeFolderStopsAtOnce) {
    EndlessFolders endless;
    folders = &endless;
    Open();
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
    Click("buttonStop");
    EXPECT_TRUE(QTest::qWaitFor([this] { return dialog->Idle(); }, 5000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_TRUE(Status().starts_with("Stopped after 0 of ")) << Status();
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(conversions.empty());
}

} // namespace
