#include "DialogFixture.h"

namespace {

using AppProfiles = DialogFixture;

const Profile alpha{"alpha", 1, 0x000000FF, 300, -5}, beach{"Beach", 0, 0x00E6D8AD, 1024, 768},
    night{"Night", 1, 0x00200010, 640, 480};

// The box lists the stored profiles sorted and shows the first; picking an
// entry shows its profile, typing a name and leaving the field does not.
// Remove shows the first entry left; an unknown name is reported and changes
// nothing (lookups are the list's, ProfileListTest); the last one leaves the
// fields as they are. Names that differ only in case are saved, shown and
// removed each by its own entry.
TEST_F(AppProfiles, PickingSavingAndRemovingFollowTheExactName) {
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
    EXPECT_EQ(shown, std::vector{Shown("Profile name doesn't exist.", 0x10)}); // stop icon
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
TEST_F(AppProfiles, ProfilesLastFromDoneToTheNextRun) {
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

} // namespace
