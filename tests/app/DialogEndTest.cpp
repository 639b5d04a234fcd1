#include "DialogFixture.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

using AppDialogEnd = DialogFixture;

TEST_F(AppDialogEnd, DoneWithValidValuesEndsTheDialog) {
    Open();
    Child<QLineEdit>("editWidth1005").setText("1024");
    QTest::mouseClick(&Child<QPushButton>("buttonDone1"), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->Settings().frameWidth, 1024);
    EXPECT_TRUE(prompts.shown.empty());
}

// Both transfers of "Done" report the bad field; the dialog stays open with
// the focus in that field and its text selected.
TEST_F(AppDialogEnd, DoneWithABadIntegerKeepsTheDialogOpen) {
    Open();
    auto& width = Child<QLineEdit>("editWidth1005");
    width.setText("12a");
    prompts.answers = {IdOk, IdOk};
    QTest::mouseClick(&Child<QPushButton>("buttonDone1"), Qt::LeftButton);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_NE(dialog->result(), QDialog::Accepted);
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[0].text, "Please enter an integer.");
    EXPECT_EQ(prompts.shown[1].text, "Please enter an integer.");
    EXPECT_EQ(dialog->focusWidget(), &width);
    EXPECT_EQ(width.selectedText(), "12a");

    // Corrected, "Done" ends it.
    width.setText("640");
    QTest::mouseClick(&Child<QPushButton>("buttonDone1"), Qt::LeftButton);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->Settings().frameWidth, 640);
}

TEST_F(AppDialogEnd, ReturnInAFieldPressesDone) {
    for (const char* field : {"editHeight1006", "comboProfile1003"}) {
        SCOPED_TRACE(field);
        Open();
        QApplication::setActiveWindow(dialog.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        Child<QLineEdit>("editHeight1006").setText("480");
        Child<QWidget>(field).setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(dialog->Settings().frameHeight, 480);
    }
}

// Escape and the close button end the dialog without taking the fields.
TEST_F(AppDialogEnd, EscapeAndCloseEndItWithoutATransfer) {
    for (const bool escape : {true, false}) {
        SCOPED_TRACE(escape ? "Escape" : "close");
        Open();
        Child<QLineEdit>("editWidth1005").setText("12a");
        Child<QLineEdit>("editHeight1006").setText("480");
        if (escape)
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
        else
            dialog->close();
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
        EXPECT_EQ(dialog->Settings().frameHeight, 600);
        EXPECT_TRUE(prompts.shown.empty());
    }
}

} // namespace
