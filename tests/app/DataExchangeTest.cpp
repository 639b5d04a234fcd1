#include "ColorSwatch.h"
#include "DialogFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <string>

namespace {

using AppDataExchange = DialogFixture;

const ShownMessage integerPrompt{"Please enter an integer.",
                                 MessageStyle::Ok | MessageStyle::IconExclamation, false};

TEST_F(AppDataExchange, TheDialogOpensWithTheDefaults) {
    Open();
    EXPECT_TRUE(Child<QCheckBox>("checkAddPadding1000").isChecked());
    EXPECT_EQ(Child<QLineEdit>("editWidth1005").text(), "800");
    EXPECT_EQ(Child<QLineEdit>("editHeight1006").text(), "600");
    EXPECT_EQ(Child<QComboBox>("comboProfile1003").currentText(), "");
    const FrameSettings& settings = dialog->Settings();
    EXPECT_EQ(settings.doPadding, 1);
    EXPECT_EQ(settings.frameWidth, 800);
    EXPECT_EQ(settings.frameHeight, 600);
    EXPECT_EQ(settings.paddingColor, 0x00C80000u);
    EXPECT_EQ(dialog->ProfileName(), "");
    EXPECT_TRUE(prompts.shown.empty());
}

// The fields are taken in a fixed order (check box, Height, Width, profile
// name) and the transfer stops at the first field that holds no integer: the
// members of the steps before it are taken, that one and the later ones keep
// what they held.
TEST_F(AppDataExchange, TransferStopsAtTheFirstFieldWithoutAnInteger) {
    const struct {
        const char* what;
        bool checked;
        QString height;
        QString width;
        QString name;
        bool result;
        FrameSettings expected;
        std::string expectedName;
        const char* failingField; // nullptr when all fields are taken
    } cases[] = {
        {"all good",
         false,
         "480",
         "640",
         "Beach",
         true,
         {0, 0x00C80000, 640, 480},
         "Beach",
         nullptr},
        {"bad Height",
         false,
         "12a",
         "640",
         "Beach",
         false,
         {0, 0x00C80000, 800, 600},
         "",
         "editHeight1006"},
        {"bad Width",
         false,
         "480",
         "12a",
         "Beach",
         false,
         {0, 0x00C80000, 800, 480},
         "",
         "editWidth1005"},
        {"empty Height",
         true,
         "",
         "640",
         "Beach",
         false,
         {1, 0x00C80000, 800, 600},
         "",
         "editHeight1006"},
        {"empty Width",
         true,
         "480",
         "",
         "Beach",
         false,
         {1, 0x00C80000, 800, 480},
         "",
         "editWidth1005"},
        {"both bad",
         false,
         "x",
         "y",
         "Beach",
         false,
         {0, 0x00C80000, 800, 600},
         "",
         "editHeight1006"},
        {"negative and zero",
         true,
         "-5",
         "0",
         "Night",
         true,
         {1, 0x00C80000, 0, -5},
         "Night",
         nullptr},
        {"signed", true, "+12", "-0", "", true, {1, 0x00C80000, 0, 12}, "", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Open();
        prompts.shown.clear();
        prompts.answers = {IdOk};
        Child<QCheckBox>("checkAddPadding1000").setChecked(c.checked);
        Child<QLineEdit>("editHeight1006").setText(c.height);
        Child<QLineEdit>("editWidth1005").setText(c.width);
        Child<QComboBox>("comboProfile1003").setEditText(c.name);

        EXPECT_EQ(dialog->UpdateData(true), c.result);

        const FrameSettings& settings = dialog->Settings();
        EXPECT_EQ(settings.doPadding, c.expected.doPadding);
        EXPECT_EQ(settings.frameHeight, c.expected.frameHeight);
        EXPECT_EQ(settings.frameWidth, c.expected.frameWidth);
        EXPECT_EQ(settings.paddingColor, c.expected.paddingColor);
        EXPECT_EQ(dialog->ProfileName(), c.expectedName);
        if (c.failingField) {
            EXPECT_EQ(prompts.shown, std::vector<ShownMessage>{integerPrompt});
            auto& field = Child<QLineEdit>(c.failingField);
            EXPECT_EQ(dialog->focusWidget(), &field);
            EXPECT_EQ(field.selectedText(), field.text());
        } else {
            EXPECT_TRUE(prompts.shown.empty());
        }
    }
}

TEST_F(AppDataExchange, MembersGoBackIntoTheFields) {
    Open();
    Child<QCheckBox>("checkAddPadding1000").setChecked(false);
    Child<QLineEdit>("editHeight1006").setText("-5");
    Child<QLineEdit>("editWidth1005").setText("1024");
    Child<QComboBox>("comboProfile1003").setEditText("Night");
    ASSERT_TRUE(dialog->UpdateData(true));

    Child<QCheckBox>("checkAddPadding1000").setChecked(true);
    Child<QLineEdit>("editHeight1006").setText("junk");
    Child<QLineEdit>("editWidth1005").clear();
    Child<QComboBox>("comboProfile1003").setEditText("other");
    EXPECT_TRUE(dialog->UpdateData(false));

    EXPECT_FALSE(Child<QCheckBox>("checkAddPadding1000").isChecked());
    EXPECT_EQ(Child<QLineEdit>("editHeight1006").text(), "-5");
    EXPECT_EQ(Child<QLineEdit>("editWidth1005").text(), "1024");
    EXPECT_EQ(Child<QComboBox>("comboProfile1003").currentText(), "Night");
    EXPECT_TRUE(prompts.shown.empty());
}

// The imaging library not starting is reported once; the dialog opens all
// the same and stops nothing it did not start.
TEST_F(AppDataExchange, AFailedImagingStartIsReportedOnceAndTheDialogOpens) {
    imagingStarts = false;
    prompts.answers = {IdOk};
    Open();
    EXPECT_EQ(prompts.shown,
              (std::vector<ShownMessage>{{"Error in gdi+", MessageStyle::Ok, false}}));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(Child<QLineEdit>("editWidth1005").text(), "800");
}

TEST_F(AppDataExchange, TheImagingLibraryStaysStartedWhileTheDialogExists) {
    std::weak_ptr<void> started;
    DialogServices services = Services();
    services.startImaging = [&started] {
        auto token = std::make_shared<int>(0);
        started = token;
        return token;
    };
    auto opened = std::make_unique<ResizerDialog>(services);
    EXPECT_FALSE(started.expired());
    opened.reset();
    EXPECT_TRUE(started.expired());
    EXPECT_TRUE(prompts.shown.empty());
}

} // namespace
