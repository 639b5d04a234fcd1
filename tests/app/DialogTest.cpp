#include "DialogFixture.h"
#include "MessageBoxPrompts.h"
#include "StoreFile.h"

namespace {

using AppDialog = DialogFixture;

// The fields are taken in a fixed order (check box, Height, Width, name) up to
// the first that holds no 32-bit integer or a side outside 1 to 65500: that one
// is reported, focused and selected, the members of it and the later steps
// keep their values; Save, Remove and a drop then do nothing more.
TEST_F(AppDialog, TheTransferStopsAtTheFirstBadFieldAndSoDoesTheCommand) {
    const Profile beach{"Beach", 0, 0x00E6D8AD, 1024, 768};
    const std::string integer = "Please enter an integer.",
                      range = "Please enter a number from 1 to 65500.";
    const std::tuple<QString, QString, const char*, int, int, std::string> cases[] = {
        {"1", "65500", nullptr, 65500, 1, ""},
        {"12a", "640", "editHeight1006", 1024, 768, integer},
        {"+480", "", "editWidth1005", 1024, 480, integer},
        {"480", "2147483648", "editWidth1005", 1024, 480, range},
        {"-99999999999", "640", "editHeight1006", 1024, 768, range},
        {"0", "640", "editHeight1006", 1024, 768, range},
        {"480", "65501", "editWidth1005", 1024, 480, range}};
    Open({beach});
    for (const auto& [height, width, badField, keptW, keptH, message] : cases) {
        SCOPED_TRACE(height.toStdString() + " x " + width.toStdString());
        dialog->SelectProfile("Beach");
        answers = QList<int>(badField ? 1 : 0, IdOk);
        shown.clear();
        Type("Other", width, height, true);
        EXPECT_EQ(dialog->UpdateData(true), badField == nullptr);
        EXPECT_EQ(Held(),
                  (Profile{badField ? "Beach" : "Other", 1, beach.paddingColor, keptW, keptH}));
        if (badField) {
            EXPECT_EQ(shown, std::vector{Shown(message, 0x30)}); // "!" icon
            auto& field = Child<QLineEdit>(badField);
            EXPECT_EQ(dialog->focusWidget(), &field);
            EXPECT_EQ(field.selectedText(), field.text());
        }
    }
    answers = {IdOk, IdOk, IdOk};
    shown.clear();
    Type("Other", "5", "x", true, "buttonSave1004");
    Click("buttonRemove1007");
    Drop(*dialog, {File("a.png")});
    EXPECT_EQ(shown, std::vector(3, Shown(integer, 0x30)));
    EXPECT_EQ(Listed(), std::vector{beach});
    EXPECT_TRUE(conversions.empty());
}

// A store that cannot be read (a folder here) is named in the status row.
// "Done" (also Return in the profile field) ends the dialog only with the
// profiles written, trying again when they could not be; Escape ends it
// taking nothing. The imaging library not starting is reported and the
// dialog opens all the same.
TEST_F(AppDialog, DoneNeedsIntegersAndSavedProfilesAndEscapeEndsTheDialog) {
    const QString storeFile = StoreFilePath(storeName);
    ASSERT_TRUE(QDir().mkpath(storeFile));
    Open();
    EXPECT_EQ(Status(), "The profiles file cannot be read (a folder, not a settings file); "
                        "profiles will not be saved over it");
    answers = {IdOk};
    Type("Zed", "640", "480", true, "buttonSave1004");
    Click("buttonDone1");
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(shown.back(),
              Shown("Couldn't save the profiles.\n\nPress Done to try again, or close "
                    "the window to leave without saving.",
                    0x30, "a folder, not a settings file"));
    ASSERT_TRUE(QDir().rmdir(storeFile));
    Box().setFocus();
    Box().setEditText("New");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Entries(), "Zed"); // a name typed is no entry until saved
    EXPECT_EQ(Held(), (Profile{"New", 1, 0x00C80000, 640, 480}));

    imagingStarts = false;
    answers = {IdOk};
    Open();
    EXPECT_EQ(shown.back(), Shown("Error in gdi+", 0));
    Type("Other", "12a", "48", true);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(Held(), (Profile{"Zed", 1, 0x00C80000, 640, 480}));
}

// Real message boxes, answered from a timer: each style's icon and buttons,
// the first the default (Return), the last taken by Escape, the reason as
// informative text, the program's name as caption, owned by the dialog.
TEST_F(AppDialog, RealMessageBoxesShowEachStyle) {
    Open();
    MessageBoxPrompts boxes;
    boxes.SetOwner(dialog.get());
    const struct {
        unsigned style;
        std::string detail;
        Qt::Key key;
        int answer;
        std::string look; // icon, default button, buttons
    } rows[] = {
        {0x31, "why", Qt::Key_Return, IdOk, "Warning Ok Ok Cancel / why"},
        {0x24, "", Qt::Key_Escape, IdNo, "Question Yes Yes No"},
        {0x10, "", Qt::Key_Escape, IdOk, "Critical Ok Ok"},
        {0x23, "", Qt::Key_Escape, IdCancel, "Question Save Save Cancel Discard &Discard"},
    };
    std::string seen;
    Qt::Key key = Qt::Key_Return;
    Respond<QMessageBox>([&](QMessageBox& box) {
        const QMetaEnum buttons = QMetaEnum::fromType<QMessageBox::StandardButtons>();
        seen = box.windowTitle().toStdString() + ": " + box.text().toStdString() + " " +
               QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(box.icon());
        for (auto* button : QList<QAbstractButton*>{box.defaultButton()} + box.buttons())
            seen = seen + " " + buttons.valueToKey(box.standardButton(button));
        if (auto* discard = box.button(QMessageBox::Discard))
            seen += " " + discard->text().toStdString(); // with its mnemonic
        if (!box.informativeText().isEmpty())
            seen += " / " + box.informativeText().toStdString();
        if (box.windowHandle()->transientParent() != dialog->windowHandle())
            seen += " unowned";
        QTest::keyClick(&box, key);
    });
    for (const auto& row : rows) {
        SCOPED_TRACE(row.look);
        key = row.key;
        EXPECT_EQ(boxes.ShowMessage("Asked", row.style, row.detail), row.answer);
        EXPECT_EQ(seen, "Quillmere: Asked " + row.look);
    }
}

} // namespace

// The dialogs need a QApplication before GoogleTest starts; each test points
// the settings at a folder of its own.
int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Quillmere"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
