#include "MessageBoxPrompts.h"
#include "DialogFixture.h"
#include "ModalResponder.h"

#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <string>
#include <vector>

namespace {

// What a message box showed, read while it was open.
struct SeenBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QMessageBox::StandardButton> buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    std::optional<Qt::CursorShape> cursor;
};

SeenBox Read(QMessageBox& box) {
    SeenBox seen{box.windowTitle(), box.text(), box.icon(), {}, QMessageBox::NoButton, {}};
    for (auto* button : box.buttons())
        seen.buttons << box.standardButton(button);
    if (box.defaultButton())
        seen.defaultButton = box.standardButton(box.defaultButton());
    if (const QCursor* cursor = QGuiApplication::overrideCursor())
        seen.cursor = cursor->shape();
    return seen;
}

// Each style shows its icon and buttons, the first button being the default,
// and the button pressed is the answer.
TEST(AppMessageBoxPrompts, StylesGiveIconsButtonsAndAnswers) {
    const struct {
        unsigned style;
        QMessageBox::Icon icon;
        QList<QMessageBox::StandardButton> buttons;
        QMessageBox::StandardButton press; // NoButton: press Escape
        int answer;
    } cases[] = {
        {MessageStyle::Ok, QMessageBox::NoIcon, {QMessageBox::Ok}, QMessageBox::Ok, IdOk},
        {MessageStyle::Ok, QMessageBox::NoIcon, {QMessageBox::Ok}, QMessageBox::NoButton, IdOk},
        {MessageStyle::Ok | MessageStyle::IconHand,
         QMessageBox::Critical,
         {QMessageBox::Ok},
         QMessageBox::Ok,
         IdOk},
        {MessageStyle::YesNo | MessageStyle::IconQuestion,
         QMessageBox::Question,
         {QMessageBox::Yes, QMessageBox::No},
         QMessageBox::Yes,
         IdYes},
        {MessageStyle::YesNo | MessageStyle::IconQuestion,
         QMessageBox::Question,
         {QMessageBox::Yes, QMessageBox::No},
         QMessageBox::No,
         IdNo},
        {MessageStyle::YesNo | MessageStyle::IconQuestion,
         QMessageBox::Question,
         {QMessageBox::Yes, QMessageBox::No},
         QMessageBox::NoButton,
         IdNo},
        {MessageStyle::OkCancel | MessageStyle::IconExclamation,
         QMessageBox::Warning,
         {QMessageBox::Ok, QMessageBox::Cancel},
         QMessageBox::Ok,
         IdOk},
        {MessageStyle::OkCancel | MessageStyle::IconExclamation,
         QMessageBox::Warning,
         {QMessageBox::Ok, QMessageBox::Cancel},
         QMessageBox::Cancel,
         IdCancel},
        {MessageStyle::OkCancel | MessageStyle::IconExclamation,
         QMessageBox::Warning,
         {QMessageBox::Ok, QMessageBox::Cancel},
         QMessageBox::NoButton,
         IdCancel},
    };
    MessageBoxPrompts prompts;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.style) + " press " + std::to_string(c.press));
        SeenBox seen;
        ModalResponder<QMessageBox> responder([&](QMessageBox& box) {
            seen = Read(box);
            if (c.press == QMessageBox::NoButton)
                QTest::keyClick(&box, Qt::Key_Escape);
            else
                box.button(c.press)->click();
        });
        EXPECT_EQ(
            prompts.ShowMessage("Directory doesn't exist:  /tmp/<b>x</b>/\n\nCreate it?", c.style),
            c.answer);
        ASSERT_TRUE(responder.Answered());
        EXPECT_EQ(seen.caption, "Quillmere");
        EXPECT_EQ(seen.text, "Directory doesn't exist:  /tmp/<b>x</b>/\n\nCreate it?");
        EXPECT_EQ(seen.icon, c.icon);
        EXPECT_EQ(seen.buttons, c.buttons);
        EXPECT_EQ(seen.defaultButton, c.buttons.front());
        EXPECT_EQ(seen.cursor, std::nullopt);
    }
}

TEST(AppMessageBoxPrompts, TheWaitCursorGivesWayToTheArrowInAMessage) {
    MessageBoxPrompts prompts;
    prompts.BeginWaitCursor();
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    SeenBox seen;
    ModalResponder<QMessageBox> responder([&](QMessageBox& box) {
        seen = Read(box);
        box.button(QMessageBox::Ok)->click();
    });
    prompts.ShowMessage("Couldn't create dir", MessageStyle::Ok);
    EXPECT_EQ(seen.cursor, Qt::ArrowCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    prompts.EndWaitCursor();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    prompts.EndWaitCursor(); // an unmatched end changes nothing
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// A drop on the dialog with real message boxes: the failure message is
// answered with Cancel through a timer, which ends the batch.
TEST(AppMessageBoxPrompts, ARealFailureMessageDuringADropEndsTheBatchOnCancel) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    ASSERT_TRUE(QDir(folder.path()).mkdir("Quillmere"));
    const std::string broken = folder.filePath("broken.png").toStdString();
    const std::string night = folder.filePath("night.png").toStdString();

    MessageBoxPrompts prompts;
    PosixFileSystem fileSystem;
    const ProfileStore store("app-real-message-box");
    std::vector<std::string> converted;
    std::optional<Qt::CursorShape> cursorWhileConverting;
    ResizerDialog dialog({
        .prompts = prompts,
        .fileSystem = fileSystem,
        .convert =
            [&](const FrameSettings&, const std::string& source, const std::string&) {
                converted.push_back(source);
                cursorWhileConverting = QGuiApplication::overrideCursor()->shape();
                return source == broken ? 0 : 1;
            },
        .startImaging = [] { return std::make_shared<int>(0); },
        .store = store,
    });
    dialog.show();

    SeenBox seen;
    ModalResponder<QMessageBox> responder([&](QMessageBox& box) {
        seen = Read(box);
        box.button(QMessageBox::Cancel)->click();
    });
    Drop(dialog, {QUrl::fromLocalFile(QString::fromStdString(broken)),
                  QUrl::fromLocalFile(QString::fromStdString(night))});

    ASSERT_TRUE(responder.Answered());
    EXPECT_EQ(seen.text, QString::fromStdString(broken));
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.buttons,
              (QList<QMessageBox::StandardButton>{QMessageBox::Ok, QMessageBox::Cancel}));
    EXPECT_EQ(seen.caption, "Quillmere");
    EXPECT_EQ(converted, std::vector<std::string>{broken});
    EXPECT_EQ(cursorWhileConverting, Qt::WaitCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

} // namespace
