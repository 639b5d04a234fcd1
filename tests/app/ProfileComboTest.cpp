#include "ProfileCombo.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// A window with the profile box and a button to move the focus to.
class AppProfileCombo : public ::testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        box = new QComboBox;
        other = new QPushButton(QStringLiteral("other"));
        layout->addWidget(box);
        layout->addWidget(other);
        combo = std::make_unique<ProfileCombo>(*box);
        picks = std::make_unique<QSignalSpy>(combo.get(), &ProfileCombo::userPicked);
        window.show();
        QApplication::setActiveWindow(&window);
    }

    std::vector<std::string> Entries() const {
        std::vector<std::string> texts;
        for (int index = 0; index < combo->Count(); ++index)
            texts.push_back(combo->Text(index));
        return texts;
    }

    void Fill(const std::vector<std::string>& names) {
        for (const auto& name : names)
            combo->Add(name);
    }

    QWidget window;
    QComboBox* box = nullptr;
    QPushButton* other = nullptr;
    std::unique_ptr<ProfileCombo> combo;
    std::unique_ptr<QSignalSpy> picks;
};

TEST_F(AppProfileCombo, AddPlacesEntriesSortedAndSelectsNothing) {
    box->setEditText(QStringLiteral("typed"));
    EXPECT_EQ(combo->Add("Night"), 0);
    EXPECT_EQ(combo->Add("beach"), 0);
    EXPECT_EQ(combo->Add("Beach"), 1);
    EXPECT_EQ(combo->Add("Alpha"), 0);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Alpha", "beach", "Beach", "Night"}));
    EXPECT_EQ(combo->CurrentIndex(), -1);
    EXPECT_EQ(combo->EditText(), "typed");
    EXPECT_EQ(picks->count(), 0);
}

TEST_F(AppProfileCombo, AddKeepsTheSelectedEntrySelected) {
    Fill({"Beach", "Night"});
    combo->Select(1);
    combo->Add("Alpha");
    EXPECT_EQ(combo->CurrentIndex(), 2);
    EXPECT_EQ(combo->EditText(), "Night");
}

TEST_F(AppProfileCombo, SelectFromCodeIsNoPick) {
    Fill({"Beach", "Night"});
    combo->Select(1);
    EXPECT_EQ(combo->CurrentIndex(), 1);
    EXPECT_EQ(combo->EditText(), "Night");
    combo->Select(5);
    combo->Select(-1);
    EXPECT_EQ(combo->CurrentIndex(), 1);
    EXPECT_EQ(picks->count(), 0);
}

TEST_F(AppProfileCombo, ChoosingAnEntryWithTheKeyboardIsAPick) {
    Fill({"Beach", "Night"});
    combo->Select(0);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(picks->count(), 1);
    EXPECT_EQ(combo->CurrentIndex(), 1);
}

// Typing the name of an entry and leaving the field neither selects that
// entry nor counts as a pick; Return adds nothing to the list.
TEST_F(AppProfileCombo, TypingANameIsNoPick) {
    Fill({"Beach", "Night"});
    box->setFocus();
    box->lineEdit()->clear();
    QTest::keyClicks(box->lineEdit(), QStringLiteral("Night"));
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    other->setFocus();
    EXPECT_EQ(picks->count(), 0);
    EXPECT_EQ(combo->CurrentIndex(), -1);
    EXPECT_EQ(combo->EditText(), "Night");
    EXPECT_EQ(combo->Count(), 2);
}

TEST_F(AppProfileCombo, NoCompletionChangesWhatIsTyped) {
    Fill({"Beach"});
    box->setFocus();
    QTest::keyClicks(box->lineEdit(), QStringLiteral("Be"));
    EXPECT_EQ(combo->EditText(), "Be");
}

TEST_F(AppProfileCombo, RemoveOfTheSelectionKeepsTheEditText) {
    Fill({"Alpha", "Beach", "Night"});
    combo->Select(1);
    combo->Remove(1);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Alpha", "Night"}));
    EXPECT_EQ(combo->CurrentIndex(), -1);
    EXPECT_EQ(combo->EditText(), "Beach");

    combo->Select(1);
    combo->Remove(0);
    EXPECT_EQ(combo->CurrentIndex(), 0);
    EXPECT_EQ(combo->EditText(), "Night");

    combo->Remove(-1);
    combo->Remove(1);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"Night"}));
    combo->Remove(0);
    EXPECT_EQ(combo->Count(), 0);
    EXPECT_EQ(combo->EditText(), "Night");
    EXPECT_EQ(picks->count(), 0);
}

TEST_F(AppProfileCombo, ShowNameSelectsTheFirstEntryBeginningWithIt) {
    Fill({"beach", "Beach", "Beach2", "Night"});
    const struct {
        std::string name;
        int selected;
        std::string edit;
    } cases[] = {
        {"Beach", 0, "beach"},
        {"beach2", 2, "Beach2"},
        {"N", 3, "Night"},
        {"Dawn", 3, "Dawn"}, // no entry: the selection stays, the field shows the name
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        combo->ShowName(c.name);
        EXPECT_EQ(combo->CurrentIndex(), c.selected);
        EXPECT_EQ(combo->EditText(), c.edit);
    }
    EXPECT_EQ(picks->count(), 0);
}

// A name that is no valid UTF-8 comes back with its own bytes once chosen.
TEST_F(AppProfileCombo, AnEntryKeepsItsNamesBytes) {
    const std::string name = "Bad\xff\xfe name";
    combo->Add(name);
    EXPECT_EQ(combo->Text(0), name);
    combo->Select(0);
    EXPECT_EQ(combo->EditText(), name);
    box->setEditText(box->currentText() + QStringLiteral("2"));
    EXPECT_EQ(combo->EditText(), (box->currentText()).toUtf8().toStdString());
}

} // namespace
