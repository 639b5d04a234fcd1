#include "DialogFixture.h"

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

// A dropped folder, looked through on the real file system, converts its
// pictures and its subfolder's once its question is answered, counted as
// pictures in the progress; the result names the folders written into and
// counts the other files. Which pictures, in which order, after which
// question, is the walk's own (tests/batch).
TEST_F(FolderDrop, ThePicturesInsideAreCountedAndTheirFoldersNamed) {
    const QDir root(folder.path());
    for (const char* name : {"Holidays/IMG_10.png", "Holidays/IMG_2.png", "Holidays/notes.txt",
                             "Holidays/day1/a.png"}) {
        ASSERT_TRUE(root.mkpath(QFileInfo(root.filePath(name)).path()));
        QFile(root.filePath(name)).open(QIODevice::WriteOnly);
    }
    Open();
    answers = {IdYes};
    holding = true;
    DeliverDrop(*dialog, {File("Holidays")});
    EXPECT_TRUE(QTest::qWaitFor([this] { return Progress() == "1 of 3: IMG_2.png"; }, 5000))
        << Progress();
    holding = false;
    Settle();
    EXPECT_EQ(conversions.size(), 3u);
    EXPECT_EQ(Status(), "3 converted into Holidays/Quillmere and 1 more folder, 1 other file "
                        "passed over");
}

// Looking through a huge folder shows the pictures found so far while the
// dialog goes on, and Stop ends it.
TEST_F(FolderDrop, LookingThroughAHugeFolderShowsTheCountAndStops) {
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
    Click("buttonStop");
    EXPECT_TRUE(QTest::qWaitFor([this] { return dialog->Idle(); }, 5000));
    EXPECT_TRUE(Status().starts_with("Stopped after 0 of ")) << Status();
}

} // namespace
