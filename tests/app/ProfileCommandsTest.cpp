#include "ColorRef.h"
#include "ColorSwatch.h"
#include "DialogFixture.h"
#include "ModalResponder.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

inline void PrintTo(const Profile& profile, std::ostream* out) {
    *out << "{\"" << profile.name << "\", " << profile.doPadding << ", 0x" << std::hex
         << profile.paddingColor << std::dec << ", " << profile.frameWidth << ", "
         << profile.frameHeight << "}";
}

namespace {

const ShownMessage noSuchProfile{"Profile name doesn't exist.", MessageStyle::IconHand, false};

const Profile beach{"Beach", 0, 0x00E6D8AD, 1024, 768};
const Profile night{"Night", 1, 0x00200010, 640, 480};
const Profile alpha{"alpha", 1, 0x000000FF, 300, -5};

class AppProfileCommands : public DialogFixture {
protected:
    // Stores the profiles in this order, as an earlier run's "Done" would.
    void Store(const std::vector<Profile>& stored) {
        ProfileList list;
        for (const Profile& profile : stored)
            list.Add(profile);
        ASSERT_TRUE(store.SaveProfiles(list));
    }

    QComboBox& Box() { return Child<QComboBox>("comboProfile1003"); }

    std::vector<std::string> Entries() {
        std::vector<std::string> texts;
        for (int index = 0; index < Box().count(); ++index)
            texts.push_back(Box().itemText(index).toStdString());
        return texts;
    }

    std::vector<Profile> Listed() const {
        std::vector<Profile> listed;
        for (std::int32_t index = 0; index < dialog->Profiles().Size(); ++index)
            listed.push_back(dialog->Profiles()[index]);
        return listed;
    }

    // The run's profiles by name, for checks that do not depend on the order
    // in which the store hands them over.
    std::vector<Profile> ListedByName() const { return ByName(Listed()); }

    static std::vector<Profile> ByName(std::vector<Profile> profiles) {
        std::sort(profiles.begin(), profiles.end(),
                  [](const Profile& a, const Profile& b) { return a.name < b.name; });
        return profiles;
    }

    // The person picks the entry at index from the list.
    void Pick(int index) {
        Box().setCurrentIndex(index);
        Q_EMIT Box().activated(index);
    }

    void Type(const QString& name, const QString& width, const QString& height, bool padding) {
        Box().setEditText(name);
        Child<QLineEdit>("editWidth1005").setText(width);
        Child<QLineEdit>("editHeight1006").setText(height);
        Child<QCheckBox>("checkAddPadding1000").setChecked(padding);
    }

    void Click(const char* button) {
        QTest::mouseClick(&Child<QPushButton>(button), Qt::LeftButton);
    }

    // What the dialog shows and holds, all of it.
    struct Shown {
        bool checked;
        QString width;
        QString height;
        QString name;
        std::optional<QColor> swatch;
        FrameSettings settings;
        std::string profileName;
    };
    Shown Showing() {
        return {Child<QCheckBox>("checkAddPadding1000").isChecked(),
                Child<QLineEdit>("editWidth1005").text(),
                Child<QLineEdit>("editHeight1006").text(),
                Box().currentText(),
                Child<ColorSwatch>("swatchPaddingColor1010").ShownColor(),
                dialog->Settings(),
                dialog->ProfileName()};
    }

    void ExpectShowing(const Profile& profile) {
        const Shown shown = Showing();
        EXPECT_EQ(shown.checked, profile.doPadding != 0);
        EXPECT_EQ(shown.width, QString::number(profile.frameWidth));
        EXPECT_EQ(shown.height, QString::number(profile.frameHeight));
        EXPECT_EQ(shown.name, QString::fromStdString(profile.name));
        EXPECT_EQ(shown.swatch, ColorFromRef(profile.paddingColor));
        EXPECT_EQ(shown.settings.doPadding, profile.doPadding);
        EXPECT_EQ(shown.settings.paddingColor, profile.paddingColor);
        EXPECT_EQ(shown.settings.frameWidth, profile.frameWidth);
        EXPECT_EQ(shown.settings.frameHeight, profile.frameHeight);
        EXPECT_EQ(shown.profileName, profile.name);
    }

    // The fields, the swatch and the padding colour are as they were.
    void ExpectFieldsUnchanged(const Shown& before) {
        const Shown after = Showing();
        EXPECT_EQ(after.checked, before.checked);
        EXPECT_EQ(after.width, before.width);
        EXPECT_EQ(after.height, before.height);
        EXPECT_EQ(after.swatch, before.swatch);
        EXPECT_EQ(after.settings.paddingColor, before.settings.paddingColor);
    }

    // The members hold what the fields show.
    void ExpectTaken(bool padding, std::int32_t width, std::int32_t height) {
        EXPECT_EQ(dialog->Settings().doPadding, padding ? 1 : 0);
        EXPECT_EQ(dialog->Settings().frameWidth, width);
        EXPECT_EQ(dialog->Settings().frameHeight, height);
    }
};

TEST_F(AppProfileCommands, WithNothingStoredTheDialogOpensWithTheDefaults) {
    Open();
    EXPECT_EQ(Box().count(), 0);
    EXPECT_EQ(dialog->Profiles().Size(), 0);
    EXPECT_EQ(Showing().swatch, std::nullopt);
    EXPECT_EQ(dialog->Settings().paddingColor, 0x00C80000u);
    EXPECT_EQ(Child<QLineEdit>("editWidth1005").text(), "800");
    EXPECT_TRUE(prompts.shown.empty());
}

// The box lists the stored profiles sorted; the first of that order is shown,
// whatever order the store and the list keep.
TEST_F(AppProfileCommands, TheFirstProfileInTheBoxOrderIsShownAtOpen) {
    Store({night, beach, alpha});
    Open();
    EXPECT_EQ(Entries(), (std::vector<std::string>{"alpha", "Beach", "Night"}));
    EXPECT_EQ(dialog->Profiles().Size(), 3);
    EXPECT_EQ(Box().currentIndex(), 0);
    ExpectShowing(alpha);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(AppProfileCommands, PickingAnEntryShowsItsProfile) {
    Store({night, beach, alpha});
    Open();
    for (const auto& [index, profile] : {std::pair{2, night}, {1, beach}, {0, alpha}}) {
        SCOPED_TRACE(profile.name);
        Pick(index);
        ExpectShowing(profile);
    }
    EXPECT_TRUE(prompts.shown.empty());
}

// Save with a new name adds the profile and an entry at its sorted place and
// leaves the fields and the selection as they are.
TEST_F(AppProfileCommands, SaveWithANewNameAddsAProfile) {
    Store({night, alpha});
    Open();
    Type("Dawn", "1920", "1080", false);
    const Shown before = Showing();
    Click("buttonSave1004");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"alpha", "Dawn", "Night"}));
    const Profile dawn{"Dawn", 0, alpha.paddingColor, 1920, 1080};
    ASSERT_EQ(Listed().size(), 3u);
    EXPECT_EQ(Listed().back(), dawn); // appended
    EXPECT_EQ(ListedByName(), ByName({night, alpha, dawn}));
    ExpectFieldsUnchanged(before);
    ExpectTaken(false, 1920, 1080);
    EXPECT_EQ(Box().currentText(), "Dawn");
    EXPECT_EQ(Box().currentIndex(), 0); // still alpha's entry
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(AppProfileCommands, SaveWithAnExistingNameOverwritesIt) {
    Store({night, beach});
    Open();
    Type("Night", "100", "-7", false);
    Click("buttonSave1004");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Beach", "Night"}));
    EXPECT_EQ(ListedByName(), ByName({{"Night", 0, beach.paddingColor, 100, -7}, beach}));
}

// Names are matched exactly in the list: Beach beside beach is a profile of
// its own, and the box holds both.
TEST_F(AppProfileCommands, SaveWithANameDifferingInCaseMakesASecondProfile) {
    Store({{"beach", 1, 0x00010203, 10, 20}});
    Open();
    Type("Beach", "30", "40", true);
    Click("buttonSave1004");
    EXPECT_EQ(dialog->Profiles().Size(), 2);
    EXPECT_EQ(Listed()[1], (Profile{"Beach", 1, 0x00010203, 30, 40}));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"beach", "Beach"}));
}

TEST_F(AppProfileCommands, SaveWithAnEmptyNameMakesOneEmptyNamedProfile) {
    Store({beach});
    Open();
    Type("", "10", "20", true);
    Click("buttonSave1004");
    Type("", "30", "40", false);
    Click("buttonSave1004");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"", "Beach"}));
    EXPECT_EQ(Listed(), (std::vector<Profile>{beach, {"", 0, beach.paddingColor, 30, 40}}));
}

// A bad field stops the transfer; Save stores what the members then hold
// under the name taken before.
TEST_F(AppProfileCommands, SaveWithABadFieldStoresUnderTheEarlierName) {
    Store({beach});
    Open();
    Type("Other", "12a", "99", false);
    prompts.answers = {IdOk};
    Click("buttonSave1004");
    EXPECT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Beach"}));
    EXPECT_EQ(Listed(), (std::vector<Profile>{{"Beach", 0, beach.paddingColor, 1024, 99}}));
}

TEST_F(AppProfileCommands, RemoveOfOneOfThreeShowsTheFirstRemainingEntry) {
    Store({night, beach, alpha});
    Open();
    Type("alpha", "1", "2", false);
    Click("buttonRemove1007");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Beach", "Night"}));
    EXPECT_EQ(ListedByName(), ByName({night, beach}));
    EXPECT_EQ(Box().currentIndex(), 0);
    ExpectShowing(beach);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(AppProfileCommands, RemoveOfTheOnlyProfileLeavesTheFields) {
    Store({beach});
    Open();
    Type("Beach", "333", "444", true);
    const Shown before = Showing();
    Click("buttonRemove1007");
    EXPECT_EQ(Box().count(), 0);
    EXPECT_EQ(dialog->Profiles().Size(), 0);
    ExpectFieldsUnchanged(before);
    ExpectTaken(true, 333, 444);
    EXPECT_EQ(dialog->ProfileName(), "Beach");
    EXPECT_EQ(Box().currentText(), "Beach");
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(AppProfileCommands, RemoveOfAnUnknownNameChangesNothing) {
    for (const QString name : {"Dawn", "beach", "Beach ", ""}) {
        SCOPED_TRACE(name);
        Store({night, beach});
        Open();
        Type(name, "800", "600", true);
        const Shown before = Showing();
        prompts.shown.clear();
        prompts.answers = {IdOk};
        Click("buttonRemove1007");
        EXPECT_EQ(prompts.shown, std::vector<ShownMessage>{noSuchProfile});
        EXPECT_EQ(Entries(), (std::vector<std::string>{"Beach", "Night"}));
        EXPECT_EQ(ListedByName(), ByName({night, beach}));
        ExpectFieldsUnchanged(before);
        EXPECT_EQ(Box().currentText(), name);
    }
}

// With beach listed before Beach in the box, removing beach removes beach's
// profile but Beach's entry: the entry left names a profile that is gone.
TEST_F(AppProfileCommands, RemoveCanTakeTheEntryOfANameDifferingInCase) {
    const Profile lower{"beach", 1, 0x00111111, 11, 11};
    const Profile upper{"Beach", 0, 0x00222222, 22, 22};
    Store({lower});
    Open();
    Type("Beach", "22", "22", false);
    dialog->SetPaddingColor(upper.paddingColor);
    Click("buttonSave1004");
    ASSERT_EQ(Entries(), (std::vector<std::string>{"beach", "Beach"}));

    Type("beach", "22", "22", false);
    prompts.answers = {IdOk};
    Click("buttonRemove1007");
    EXPECT_EQ(Listed(), (std::vector<Profile>{upper}));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"beach"}));
    // Showing the first remaining entry finds no profile of that name.
    EXPECT_EQ(prompts.shown, std::vector<ShownMessage>{noSuchProfile});

    const Shown before = Showing();
    prompts.answers = {IdOk};
    Pick(0);
    EXPECT_EQ(prompts.shown, (std::vector<ShownMessage>{noSuchProfile, noSuchProfile}));
    ExpectFieldsUnchanged(before);
}

// With Beach listed before beach, picking beach shows beach's values but the
// box selects Beach, the first entry beginning with that name, so a following
// Save stores them under Beach.
TEST_F(AppProfileCommands, PickingANameDifferingInCaseCanSaveUnderTheOther) {
    const Profile upper{"Beach", 0, 0x00222222, 22, 22};
    const Profile lower{"beach", 1, 0x00111111, 11, 11};
    Store({upper, lower});
    Open();
    ASSERT_EQ(Entries(), (std::vector<std::string>{"Beach", "beach"}));
    Pick(1);
    EXPECT_EQ(dialog->Settings().frameWidth, 11);
    EXPECT_EQ(Box().currentText(), "Beach");
    Click("buttonSave1004");
    EXPECT_EQ(ListedByName(), ByName({{"Beach", 1, 0x00111111, 11, 11}, lower}));
}

// The colour dialog opens on the current colour; Cancel changes nothing, OK
// sets the padding colour and the swatch, not the profile until Save.
TEST_F(AppProfileCommands, ChangeSetsTheColourOfTheNextDropNotTheProfile) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    ASSERT_TRUE(QDir(folder.path()).mkdir("Quillmere"));
    Store({beach});
    Open();

    std::optional<QColor> opened;
    {
        const Shown before = Showing();
        ModalResponder<QColorDialog> cancel([&](QColorDialog& chooser) {
            opened = chooser.currentColor();
            chooser.setCurrentColor(Qt::green);
            chooser.reject();
        });
        Click("buttonChange1009");
        ASSERT_TRUE(cancel.Answered());
        EXPECT_EQ(opened, ColorFromRef(beach.paddingColor));
        ExpectFieldsUnchanged(before);
    }
    {
        ModalResponder<QColorDialog> choose([&](QColorDialog& chooser) {
            chooser.setCurrentColor(QColor(0x12, 0x34, 0x56));
            chooser.accept();
        });
        Click("buttonChange1009");
        ASSERT_TRUE(choose.Answered());
    }
    EXPECT_EQ(dialog->Settings().paddingColor, 0x00563412u);
    EXPECT_EQ(Showing().swatch, QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(Listed(), std::vector<Profile>{beach});

    Drop(*dialog, {QUrl::fromLocalFile(folder.filePath("a.png"))});
    ASSERT_EQ(conversions.size(), 1u);
    EXPECT_EQ(conversions[0].settings.paddingColor, 0x00563412u);

    Click("buttonSave1004");
    EXPECT_EQ(Listed()[0].paddingColor, 0x00563412u);
    EXPECT_TRUE(prompts.shown.empty());
}

} // namespace
