#include "DialogFixture.h"

namespace {

using AppDialog = DialogFixture;

// Every control with its kind, text and a name for assistive technology, the
// first eight in tab order from "Done" (the swatch takes no focus: Change is
// its control), the labels' mnemonics moving to their fields, and the values
// the dialog opens with.
TEST_F(AppDialog, TheFormHoldsEveryControlInTabOrderWithTheDefaults) {
    Open();
    // clang-format off
    const char* const controls[] = { // name, kind, text
        "buttonDone1", "QPushButton", "Done",    "checkAddPadding1000", "QCheckBox", "Add &Padding",
        "comboProfile1003", "QComboBox", "",     "buttonSave1004", "QPushButton", "Save",
        "editWidth1005", "QLineEdit", "800",     "editHeight1006", "QLineEdit", "600",
        "buttonChange1009", "QPushButton", "Change", "buttonRemove1007", "QPushButton", "Remove",
        "swatchPaddingColor1010", "ColorSwatch", "", "labelProfile", "QLabel", "P&rofile:  ",
        "labelWidth", "QLabel", "&Width:  ",      "labelHeight", "QLabel", "&Height:  ",
        "labelPaddingColor", "QLabel", "Padding Color:  "};
    // clang-format on
    for (int row = 0; row < 13; ++row) {
        SCOPED_TRACE(controls[3 * row]);
        QWidget& widget = Child(controls[3 * row]);
        EXPECT_TRUE(widget.inherits(controls[3 * row + 1]));
        EXPECT_TRUE(widget.isVisible());
        EXPECT_EQ(widget.property("text").toString().toStdString(), controls[3 * row + 2]);
        if (row < 8) { // the tab order
            EXPECT_TRUE(widget.hasFocus());
            EXPECT_FALSE(widget.accessibleName().isEmpty());
            EXPECT_FALSE(widget.accessibleDescription().isEmpty());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
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
// keep their values, and Save, Remove and a drop then do nothing more.
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
    for (const auto& [height, width, badField, keptW, keptH, message] : cases) {
        SCOPED_TRACE(height.toStdString() + " x " + width.toStdString());
        Open({beach});
        answers = QList<int>(badField ? 4 : 0, IdOk);
        shown.clear();
        Type("Other", width, height, true);
        EXPECT_EQ(dialog->UpdateData(true), badField == nullptr);
        EXPECT_EQ(Held(),
                  (Profile{badField ? "Beach" : "Other", 1, beach.paddingColor, keptW, keptH}));
        if (badField) {
            Click("buttonSave1004");
            Click("buttonRemove1007");
            Drop(*dialog, {File("a.png")});
            EXPECT_EQ(shown, std::vector(4, Shown(message, 0x30))); // "!" icon
            EXPECT_EQ(Listed(), std::vector{beach});
            EXPECT_EQ(Entries(), "Beach");
            EXPECT_TRUE(conversions.empty());
            auto& field = Child<QLineEdit>(badField);
            EXPECT_EQ(dialog->focusWidget(), &field);
            EXPECT_EQ(field.selectedText(), field.text());
        }
    }
}

// "Done" (also Return in the profile field) ends the dialog only with the
// profiles written, trying again when they
// could not be; Escape ends it taking nothing. The imaging library not
// starting is reported and the dialog opens all the same.
TEST_F(AppDialog, DoneNeedsIntegersAndSavedProfilesAndEscapeEndsTheDialog) {
    Open({{"Beach", 1, 0x00C80000, 800, 600}});
    answers = {IdOk};
    ASSERT_TRUE(QFile::remove(storeFile));
    ASSERT_TRUE(QDir().mkdir(storeFile)); // the store cannot be written
    Type("Zed", "640", "480", true, "buttonDone1");
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
    Type("Zed", "12a", "480", true);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(Held(), (Profile{"Beach", 1, 0x00C80000, 800, 600}));
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
