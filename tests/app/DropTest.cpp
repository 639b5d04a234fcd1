#include "DialogFixture.h"
#include "DroppedItems.h"

namespace {

using AppDrop = DialogFixture;

// Files dropped anywhere, a field included (its text stays), are converted
// under the wait cursor with the values then in the fields, no button pressed,
// under their own bytes when their names are no UTF-8.
TEST_F(AppDrop, ADropAnywhereConvertsWithTheValuesTypedSoFar) {
    Open();
    ASSERT_TRUE(QDir(folder.path()).mkdir("Quillmere"));
    const QUrl latin1(QUrl::fromLocalFile(folder.path()).toString() + "/caf%E9.jpg");
    const std::string cafe = folder.path().toStdString() + "/caf\xE9";
    for (QWidget* target : QWidgetList{&Width(), Box().lineEdit(), dialog.get()}) {
        conversions.clear();
        Type("", "1024", "7", false);
        Drop(*target, {File("nächt.tif"), latin1});
        EXPECT_EQ(
            conversions,
            (std::vector<Profile>{
                {Path("nächt.tif") + " > " + Path("Quillmere/nächt.jpg"), 0, 0x00C80000, 1024, 7},
                {cafe + ".jpg > " + Path("Quillmere/") + "caf\xE9.jpg", 0, 0x00C80000, 1024, 7}}));
        EXPECT_EQ(Showing(), (Profile{"", 0, 0x00C80000, 1024, 7}));
    }
    Drop(*dialog, {});
}

// A file address gives its path's own bytes when it names this machine; any
// other address is kept as its text, to be reported as an item that failed.
TEST(DroppedItem, FileAddressesOfThisMachineGiveTheirPathsBytes) {
    const struct {
        const char* name;
        const char* url;
        std::string path;
        bool local;
    } rows[] = {{"Latin-1 name", "file:///tmp/caf%E9.jpg", "/tmp/caf\xE9.jpg", true},
                {"UTF-8 name", "file:///tmp/caf%C3%A9%20x.jpg", "/tmp/caf\xC3\xA9 x.jpg", true},
                {"localhost", "file://LocalHost/a.png", "/a.png", true},
                {"this machine", "file://ThisBox/a.png", "/a.png", true},
                {"another machine", "file://elsewhere/a.png", "file://elsewhere/a.png", false},
                {"web address", "https://example.org/a.png", "https://example.org/a.png", false},
                {"nul in the path", "file:///a%00b.png", "file:///a%00b.png", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const DroppedItem item = DroppedItemOf(QUrl(row.url), "thisbox");
        EXPECT_EQ(item.path, row.path);
        EXPECT_EQ(item.isLocalFile, row.local);
    }
}

// The missing folder is made on Yes only (the rows run in turn); after a
// failure OK goes on and Cancel stops; the wait cursor is gone afterwards.
TEST_F(AppDrop, QuestionsAndFailuresAreAnsweredAndTheWaitCursorEnds) {
    failing = Path("bad.png");
    const std::string question =
        "Directory doesn't exist:  " + Path("Quillmere/") + "\n\nCreate it?";
    // clang-format off
    const std::tuple<bool, int, QUrl, std::size_t> cases[] = {
        {false, IdNo, File("a.png"), 0}, {false, IdYes, File("a.png"), 2},
        {true, IdOk, QUrl("https://example.org/a.png"), 1}, {true, IdCancel, File("bad.png"), 1}};
    // clang-format on
    Open();
    for (const auto& [folderThere, answer, first, converted] : cases) {
        conversions.clear();
        shown.clear();
        answers = {answer};
        Drop(*dialog, {first, File("b.png")});
        const std::string failed = first.toString(QUrl::PreferLocalFile).toStdString();
        EXPECT_EQ(shown, std::vector{folderThere ? Shown(failed, 0x31, true)      // OK/Cancel, "!"
                                                 : Shown(question, 0x24, true)}); // Yes/No, "?"
        EXPECT_EQ(conversions.size(), converted);
        EXPECT_EQ(QDir(folder.filePath("Quillmere")).exists(), folderThere || answer == IdYes);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
}

// Real message boxes answered through a timer: each style's icon and buttons,
// the first the default, the arrow cursor while a box waits, Escape as the
// last button, and no wait cursor left after the drop. Save in the question
// asked at closing acts as "Done".
TEST_F(AppDrop, RealMessageBoxesAskAndAnswer) {
    prompts = &boxes;
    failing = Path("bad.png");
    Open();
    std::vector<std::string> seen; // caption: text, icon, default button, buttons, cursor
    Respond<QMessageBox>([&](QMessageBox& box) {
        const QMetaEnum buttons = QMetaEnum::fromType<QMessageBox::StandardButtons>();
        std::string look = box.windowTitle().toStdString() + ": " + box.text().toStdString() + " " +
                           QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(box.icon());
        for (auto* button : QList<QAbstractButton*>{box.defaultButton()} + box.buttons())
            look = look + " " + buttons.valueToKey(box.standardButton(button));
        const QCursor* cursor = QGuiApplication::overrideCursor();
        seen.push_back(look + (cursor && cursor->shape() == Qt::ArrowCursor ? " arrow" : ""));
        // Return presses the default button, Escape the last one.
        const bool yes = box.button(QMessageBox::Yes) || box.button(QMessageBox::Save);
        QTest::keyClick(&box, yes ? Qt::Key_Return : Qt::Key_Escape);
    });
    Drop(*dialog, {File("bad.png"), File("b.png")});
    dialog->SelectProfile("none");
    Type("Zed", "5", "6", true, "buttonSave1004");
    dialog->close();
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "Quillmere: Directory doesn't exist:  " + Path("Quillmere/") +
                            "\n\nCreate it? Question Yes Yes No arrow",
                        "Quillmere: " + failing + " Warning Ok Ok Cancel arrow",
                        "Quillmere: Profile name doesn't exist. Critical Ok Ok",
                        "Quillmere: Save the changes to the profiles? Question Save Save Cancel "
                        "Discard"}));
    EXPECT_EQ(dialog->result(), QDialog::Accepted); // so the profiles were written
    ASSERT_EQ(conversions.size(), 1u);
    EXPECT_EQ(conversions[0].name, failing + " > " + Path("Quillmere/bad.jpg")); // wait cursor
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

} // namespace
