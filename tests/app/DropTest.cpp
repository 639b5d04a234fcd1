#include "DialogFixture.h"

namespace {

using AppDrop = DialogFixture;

// Files dropped anywhere, a field included (its text stays), are converted
// under the wait cursor with the values then in the fields, no button pressed.
TEST_F(AppDrop, ADropAnywhereConvertsWithTheValuesTypedSoFar) {
    Open();
    ASSERT_TRUE(QDir(folder.path()).mkdir("Quillmere"));
    for (QWidget* target : QWidgetList{&Width(), Box().lineEdit(), dialog.get()}) {
        conversions.clear();
        Type("", "1024", "-5", false);
        Drop(*target, {File("nächt.tif")});
        EXPECT_EQ(conversions,
                  (std::vector<Profile>{{Path("nächt.tif") + " > " + Path("Quillmere/nächt.jpg"), 0,
                                         0x00C80000, 1024, -5}}));
        EXPECT_EQ(Showing(), (Profile{"", 0, 0xFFFFFFFF, 1024, -5}));
    }
    Drop(*dialog, {});
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
// last button, and no wait cursor left after the drop.
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
        QTest::keyClick(&box, box.button(QMessageBox::Yes) ? Qt::Key_Return : Qt::Key_Escape);
    });
    Drop(*dialog, {File("bad.png"), File("b.png")});
    dialog->SelectProfile("none");
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "Quillmere: Directory doesn't exist:  " + Path("Quillmere/") +
                            "\n\nCreate it? Question Yes Yes No arrow",
                        "Quillmere: " + failing + " Warning Ok Ok Cancel arrow",
                        "Quillmere: Profile name doesn't exist. Critical Ok Ok"}));
    ASSERT_EQ(conversions.size(), 1u);
    EXPECT_EQ(conversions[0].name, failing + " > " + Path("Quillmere/bad.jpg")); // wait cursor
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

} // namespace
