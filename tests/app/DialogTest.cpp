#include "DialogFixture.h"
#include "StoreFile.h"

namespace {

const Profile alpha{"alpha", 1, 0x000000FF, 300, -5}, beach{"Beach", 0, 0x00E6D8AD, 1024, 768},
    night{"Night", 1, 0x00200010, 640, 480};

// The fields are taken in a fixed order (check box, Height, Width, name) up to
// the first that holds no 32-bit integer or a side outside 1 to 65500: that one
// is reported, focused and selected, the members of it and the later steps
// keep their values; Save, Remove and a drop then do nothing more.
//
// The box lists the stored profiles sorted and shows the first; picking an
// entry shows its profile, typing a name and leaving the field does not.
// Remove shows the first entry left; an unknown name is reported and changes
// nothing (lookups are the list's, ProfileListTest); the last one leaves the
// fields as they are. Names that differ only in case are saved, shown and
// removed each by its own entry.
TEST_F(AppDialog, TheFieldsGoInOrderAndProfilesFollowTheExactName) {
    Open({night, beach, alpha});
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
    EXPECT_EQ(Listed(), (std::vector{beach, night, alpha}));
    EXPECT_TRUE(conversions.empty());

    Open({night, beach, alpha});
    EXPECT_EQ(Entries(), "alpha|Beach|Night");
    EXPECT_EQ(Showing(), alpha);
    Pick(2);
    EXPECT_EQ(Showing(), night);
    Box().setFocus();
    Box().lineEdit()->clear();
    QTest::keyClicks(Box().lineEdit(), "Be"); // not completed either
    EXPECT_EQ(Box().currentText(), "Be");
    QTest::keyClicks(Box().lineEdit(), "ach");
    Width().setFocus();
    EXPECT_EQ(Held(), night);

    Type("alpha", "1", "2", false, "buttonRemove1007");
    EXPECT_EQ(Listed(), (std::vector{beach, night}));
    EXPECT_EQ(Showing(), beach);
    answers = {IdOk};
    Type("Dawn", "5", "6", true, "buttonRemove1007");
    EXPECT_EQ(shown.back(), Shown("Profile name doesn't exist.", 0x10)); // stop icon
    EXPECT_EQ(Entries(), "Beach|Night");
    EXPECT_EQ(Listed().size(), 2u);
    Type("Night", "5", "6", true, "buttonRemove1007");
    Type("Beach", "333", "444", true, "buttonRemove1007");
    EXPECT_EQ(Entries(), "");
    EXPECT_EQ(Showing(), (Profile{"Beach", 1, beach.paddingColor, 333, 444}));

    // Save adds a new name at its sorted place, Beach beside beach too, and
    // overwrites an exact one, the empty name too, leaving the fields as they are.
    const std::uint32_t color = beach.paddingColor;
    const std::tuple<QString, QString, QString> saves[] = {{"Night", "100", "7"},
                                                           {"beach", "10", "20"},
                                                           {"Beach", "30", "40"},
                                                           {"Night", "640", "480"},
                                                           {"", "5", "6"}};
    for (const auto& [name, width, height] : saves) {
        SCOPED_TRACE(name.toStdString());
        Type(name, width, height, false, "buttonSave1004");
        EXPECT_EQ(Showing(),
                  (Profile{name.toStdString(), 0, color, width.toInt(), height.toInt()}));
    }
    EXPECT_EQ(Entries(), "|beach|Beach|Night");
    const Profile empty{"", 0, color, 5, 6}, upper{"Beach", 0, color, 30, 40},
        last{"Night", 0, color, 640, 480}, lower{"beach", 0, color, 10, 20};
    EXPECT_EQ(Listed(), (std::vector{empty, upper, last, lower}));
    Pick(1);
    EXPECT_EQ(Showing(), lower);
    Pick(2);
    EXPECT_EQ(Showing(), upper);
    Click("buttonRemove1007");
    EXPECT_EQ(Listed(), (std::vector{empty, last, lower}));
    EXPECT_EQ(Entries(), "|beach|Night");
    EXPECT_EQ(Showing(), empty);
}

// "Done" writes the run's profiles, a name that is no UTF-8 under its own
// bytes, and deletes the ones removed in it; a profile the run never loaded
// (it could not be read) is not the run's to delete. Closing otherwise asks
// about changed profiles: Save acts as "Done", Discard writes nothing. What
// the store keeps beside them is the store's (ProfileStoreTest).
TEST_F(AppDialog, ProfilesLastFromDoneToTheNextRun) {
    const Profile odd{"Zone \xe9", 1, 0x00010203, 50, 60}, sand{"Beach", 0, 0x00010203, 65500, 1},
        nightly{"Night", 1, 0x00010203, 640, 480};
    Open({odd});
    Click("buttonSave1004"); // under the name's own bytes, so no second profile
    Type("Night", "640", "480", true, "buttonSave1004");
    Type("Beach", "65500", "1", false, "buttonSave1004");
    Click("buttonDone1");
    Open();
    EXPECT_EQ(Listed(), (std::vector{sand, nightly, odd}));
    Click("buttonRemove1007"); // Beach, shown first
    answers = {IdSave};
    dialog->close();
    EXPECT_EQ(shown, std::vector{Shown("Save the changes to the profiles?", 0x23)});
    Open();
    EXPECT_EQ(Listed(), (std::vector{nightly, odd}));
    Type("Zed", "3", "4", true, "buttonSave1004");
    answers = {IdDiscard};
    dialog->close();
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    QSettings("Tollervane", storeName).remove("Profiles/Night/Frame Height");
    Open();
    EXPECT_EQ(Listed(), std::vector{odd});
    Type("Night", "1", "2", true, "buttonSave1004");
    Click("buttonRemove1007");
    Click("buttonDone1");
    EXPECT_TRUE(QSettings("Tollervane", storeName).contains("Profiles/Night/Do Padding"));

    // The question comes only when the profiles differ from what the store
    // last held: not after a save and its removal, nor after a Done that
    // wrote them but stayed open on a bad field.
    Open();
    Type("Sky", "1", "2", true, "buttonSave1004");
    Click("buttonRemove1007");
    Type("Sky", "1", "2", true, "buttonSave1004");
    Width().setText("x");
    answers = {IdOk, IdOk};
    Click("buttonDone1");
    EXPECT_TRUE(dialog->isVisible());
    shown.clear();
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(shown.empty());
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
