#include "DialogFixture.h"

namespace {

using AppDialog = DialogFixture;

// The controls in tab order from "Done", each with a name for assistive
// technology (the swatch takes no focus: Change is its control), the labels'
// mnemonics moving to their fields, and the values the dialog opens with.
TEST_F(AppDialog, TheControlsComeInTabOrderWithTheDefaults) {
    Open();
    for (const char* name :
         {"buttonDone1", "checkAddPadding1000", "comboProfile1003", "buttonSave1004",
          "editWidth1005", "editHeight1006", "buttonChange1009", "buttonRemove1007"}) {
        SCOPED_TRACE(name);
        QWidget& widget = Child(name);
        EXPECT_TRUE(widget.hasFocus());
        EXPECT_FALSE(widget.accessibleName().isEmpty());
        EXPECT_FALSE(widget.accessibleDescription().isEmpty());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(Child("swatchPaddingColor1010").focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(Child("labelStatus").accessibleName(), "Status");
    const std::pair<Qt::Key, const char*> mnemonics[] = {{Qt::Key_W, "editWidth1005"},
                                                         {Qt::Key_H, "editHeight1006"},
                                                         {Qt::Key_R, "comboProfile1003"}};
    for (const auto& [key, field] : mnemonics) {
        SCOPED_TRACE(field);
        QTest::keyClick(dialog.get(), key, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), &Child(field));
    }
    ExpectShowing({"", 1, 0x00C80000, 800, 600}); // the swatch too, from the start

    // A top-level window of its own, which owns the About box.
    EXPECT_EQ(dialog->windowType(), Qt::Window);
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->windowHandle()->transientParent(), nullptr);
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowMaximizeButtonHint);
    QWindow* aboutOwner = nullptr;
    Respond<QDialog>([&](QDialog& about) {
        aboutOwner = about.windowHandle()->transientParent();
        about.reject();
    });
    dialog->ShowAbout();
    EXPECT_EQ(aboutOwner, dialog->windowHandle());
}

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
        {"480", "-5", "editWidth1005", 1024, 480, range},
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
    EXPECT_EQ(Entries(), "Beach");
    EXPECT_TRUE(conversions.empty());
}

// A store that cannot be read (a folder here) is named in the status row.
// "Done" (also Return in the profile field) ends the dialog only with the
// profiles written, trying again when they could not be; Escape ends it
// taking nothing. The imaging library not starting is reported and the
// dialog opens all the same.
TEST_F(AppDialog, DoneNeedsIntegersAndSavedProfilesAndEscapeEndsTheDialog) {
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
                    0x30, false, "a folder, not a settings file"));
    ASSERT_TRUE(QDir().rmdir(storeFile));
    Box().setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Box().count(), 1); // nothing added
    EXPECT_EQ(Held(), (Profile{"Zed", 1, 0x00C80000, 640, 480}));

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

} // namespace

// The dialogs need a QApplication before GoogleTest starts, and settings that
// are never the user's own.
int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    if (!config.isValid())
        return 1;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    QApplication application(argc, argv);
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Quillmere"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
