#include "DialogFixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Runs of the program one after another on the same store.
class AppProfileRuns : public DialogFixture {
protected:
    QComboBox& Box() { return Child<QComboBox>("comboProfile1003"); }

    void SaveAs(const QString& name, const QString& width, const QString& height) {
        Box().setEditText(name);
        Child<QLineEdit>("editWidth1005").setText(width);
        Child<QLineEdit>("editHeight1006").setText(height);
        QTest::mouseClick(&Child<QPushButton>("buttonSave1004"), Qt::LeftButton);
    }

    void Done() { QTest::mouseClick(&Child<QPushButton>("buttonDone1"), Qt::LeftButton); }

    std::vector<std::string> Entries() {
        std::vector<std::string> texts;
        for (int index = 0; index < Box().count(); ++index)
            texts.push_back(Box().itemText(index).toStdString());
        return texts;
    }

    std::vector<std::string> StoredNames() const {
        ProfileList list;
        std::vector<std::string> names;
        store.LoadProfiles(list, names);
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(AppProfileRuns, ProfilesSavedAtDoneAreThereAtTheNextStart) {
    Open();
    SaveAs("Night", "640", "480");
    SaveAs("Beach", "-5", "0");
    SaveAs("Photo Frame", "1024", "768");
    Done();
    ASSERT_EQ(dialog->result(), QDialog::Accepted);

    Open();
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Beach", "Night", "Photo Frame"}));
    EXPECT_EQ(Box().currentText(), "Beach");
    EXPECT_EQ(Child<QLineEdit>("editWidth1005").text(), "-5");
    EXPECT_EQ(Child<QLineEdit>("editHeight1006").text(), "0");
    EXPECT_EQ(dialog->Settings().frameWidth, -5);
    EXPECT_EQ(dialog->Settings().paddingColor, 0x00C80000u);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(AppProfileRuns, EscapeLosesTheRunsChanges) {
    Open();
    SaveAs("Night", "640", "480");
    Done();

    Open();
    SaveAs("Night", "1", "1");
    SaveAs("Dawn", "2", "2");
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    ASSERT_EQ(dialog->result(), QDialog::Rejected);

    Open();
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Night"}));
    EXPECT_EQ(Child<QLineEdit>("editWidth1005").text(), "640");
}

// Remove changes only the run's list: the store keeps the profile, and it is
// back at the next start with its last saved values.
TEST_F(AppProfileRuns, ARemovedProfileIsBackAtTheNextStart) {
    Open();
    SaveAs("Night", "640", "480");
    SaveAs("Beach", "800", "600");
    Done();

    Open();
    Box().setEditText("Night");
    QTest::mouseClick(&Child<QPushButton>("buttonRemove1007"), Qt::LeftButton);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Beach"}));
    Done();

    Open();
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Beach", "Night"}));
}

// "Done" with a field that holds no integer still writes the profiles, and
// the dialog stays open.
TEST_F(AppProfileRuns, DoneWithABadFieldWritesTheProfilesAndStaysOpen) {
    Open();
    SaveAs("Night", "640", "480");
    Child<QLineEdit>("editWidth1005").setText("12a");
    prompts.answers = {IdOk, IdOk};
    Done();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(StoredNames(), std::vector<std::string>{"Night"});
}

// Every name comes back as it was saved, whatever its characters.
TEST_F(AppProfileRuns, OddNamesRoundTrip) {
    const std::vector<std::string> names{"a/b",   "x\\y",      "50%",  "Caf\xc3\xa9",
                                         " lead", "[General]", "tail "};
    Open();
    for (const auto& name : names)
        SaveAs(QString::fromStdString(name), "10", "20");
    Done();
    Open();
    auto sorted = names;
    std::sort(sorted.begin(), sorted.end());
    auto entries = Entries();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, sorted);
    for (const auto& name : names)
        EXPECT_GE(dialog->Profiles().FindProfile(name), 0) << name;
    EXPECT_TRUE(prompts.shown.empty());
}

// A stored name that is no valid UTF-8 is picked, saved and written back
// under its own bytes, not as a new profile.
TEST_F(AppProfileRuns, ANameThatIsNoUtf8KeepsItsBytes) {
    const std::string name = "Album \xe9t\xe9";
    ProfileList stored;
    stored.Add({name, 1, 0x00010203, 50, 60});
    ASSERT_TRUE(store.SaveProfiles(stored));
    Open();
    EXPECT_EQ(dialog->ProfileName(), name);
    Child<QLineEdit>("editWidth1005").setText("70");
    QTest::mouseClick(&Child<QPushButton>("buttonSave1004"), Qt::LeftButton);
    EXPECT_EQ(dialog->Profiles().Size(), 1);
    Done();
    Open();
    EXPECT_EQ(dialog->ProfileName(), name);
    EXPECT_EQ(dialog->Settings().frameWidth, 70);
}

// A stored profile that cannot be read is left out; the others open.
TEST_F(AppProfileRuns, ABrokenStoredProfileIsSkipped) {
    Open();
    SaveAs("Beach", "800", "600");
    SaveAs("Night", "640", "480");
    SaveAs("Zed", "1", "2");
    Done();
    {
        QSettings settings(QStringLiteral("Tollervane"), QString::fromStdString(StoreName()));
        settings.remove(QStringLiteral("Profiles/Beach/Frame Height"));
        settings.setValue(QStringLiteral("Profiles/Zed/Padding Color"), QStringLiteral("blue"));
    }
    Open();
    EXPECT_EQ(Entries(), std::vector<std::string>{"Night"});
    EXPECT_EQ(Box().currentText(), "Night");
    EXPECT_EQ(Child<QLineEdit>("editWidth1005").text(), "640");
    EXPECT_TRUE(prompts.shown.empty());
}

} // namespace
