#include "AboutDialog.h"
#include "ColorSwatch.h"
#include "DialogFixture.h"
#include "ModalResponder.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <string>
#include <vector>

namespace {

using AppDialogForm = DialogFixture;

// Every control of the dialog, with its kind and text.
TEST_F(AppDialogForm, EveryControlIsThereWithItsKindAndText) {
    Open();
    const struct {
        const char* name;
        const char* kind;
        QString text;
    } controls[] = {
        {"buttonDone1", "QPushButton", "Done"},
        {"labelProfile", "QLabel", "Profile:  "},
        {"labelWidth", "QLabel", "Width:  "},
        {"labelHeight", "QLabel", "Height:  "},
        {"labelPaddingColor", "QLabel", "Padding Color:  "},
        {"checkAddPadding1000", "QCheckBox", "Add Padding"},
        {"comboProfile1003", "QComboBox", ""},
        {"buttonSave1004", "QPushButton", "Save"},
        {"editWidth1005", "QLineEdit", "800"},
        {"editHeight1006", "QLineEdit", "600"},
        {"buttonChange1009", "QPushButton", "Change"},
        {"swatchPaddingColor1010", "ColorSwatch", ""},
        {"buttonRemove1007", "QPushButton", "Remove"},
    };
    for (const auto& control : controls) {
        SCOPED_TRACE(control.name);
        auto* widget = dialog->findChild<QWidget*>(QString::fromLatin1(control.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(widget->inherits(control.kind));
        EXPECT_TRUE(widget->isVisible());
        QString text;
        if (auto* label = qobject_cast<QLabel*>(widget))
            text = label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            text = button->text();
        else if (auto* edit = qobject_cast<QLineEdit*>(widget))
            text = edit->text();
        else if (auto* box = qobject_cast<QComboBox*>(widget))
            text = box->currentText();
        EXPECT_EQ(text, control.text);
    }
    EXPECT_EQ(dialog->windowTitle(), "Quillmere");
    EXPECT_TRUE(Child<QPushButton>("buttonDone1").isDefault());
    EXPECT_TRUE(Child<QComboBox>("comboProfile1003").isEditable());
    EXPECT_EQ(Child<QComboBox>("comboProfile1003").count(), 0);
    EXPECT_FALSE(dialog->windowIcon().isNull());
}

// Tab moves through the controls in the dialog's order, from "Done" (which
// has the focus when the dialog opens) round to "Done" again.
TEST_F(AppDialogForm, TabOrderFollowsTheControlOrder) {
    Open();
    QApplication::setActiveWindow(dialog.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    const std::vector<std::string> order{
        "buttonDone1",      "checkAddPadding1000", "comboProfile1003", "buttonSave1004",
        "editWidth1005",    "editHeight1006",      "buttonChange1009", "swatchPaddingColor1010",
        "buttonRemove1007", "buttonDone1",
    };
    // The combo box's focus rests in its edit field.
    const auto focused = [] {
        QWidget* widget = QApplication::focusWidget();
        if (widget && qobject_cast<QComboBox*>(widget->parentWidget()))
            widget = widget->parentWidget();
        return widget ? widget->objectName().toStdString() : std::string("(none)");
    };
    std::vector<std::string> visited{focused()};
    for (std::size_t step = 1; step < order.size(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(focused());
    }
    EXPECT_EQ(visited, order);
}

TEST_F(AppDialogForm, TheSwatchTakesTheFocusAndIgnoresTyping) {
    Open();
    auto& swatch = Child<ColorSwatch>("swatchPaddingColor1010");
    EXPECT_EQ(swatch.focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(swatch.ShownColor(), std::nullopt); // the ordinary field background
    swatch.setFocus();
    QTest::keyClicks(&swatch, QStringLiteral("123"));
    EXPECT_EQ(swatch.ShownColor(), std::nullopt);
    EXPECT_EQ(dialog->Settings().paddingColor, 0x00C80000u);
}

void CheckAboutBox(AboutDialog& about) {
    EXPECT_EQ(about.windowTitle(), "About Quillmere");
    EXPECT_FALSE(about.acceptDrops());
    QStringList texts;
    for (const QLabel* label : about.findChildren<QLabel*>()) {
        if (!label->text().isEmpty())
            texts << label->text();
    }
    ASSERT_EQ(texts.size(), 4);
    EXPECT_EQ(texts[0], "Quillmere");
    EXPECT_EQ(texts[1], "Version 1.0");
    auto* icon = about.findChild<QLabel*>(QStringLiteral("iconQuillmere128"));
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
    auto* ok = about.findChild<QPushButton*>(QStringLiteral("buttonOk1"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(ok->isDefault());

    // A file dragged over the About box is refused.
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/beach.png"))});
    QDragEnterEvent enter(about.rect().center(), Qt::CopyAction, &mime, Qt::LeftButton,
                          Qt::NoModifier);
    enter.ignore();
    QApplication::sendEvent(&about, &enter);
    EXPECT_FALSE(enter.isAccepted());

    QTest::mouseClick(ok, Qt::LeftButton);
}

TEST_F(AppDialogForm, TheContextMenuOpensTheAboutBox) {
    Open();
    ModalResponder<AboutDialog> about(CheckAboutBox);
    ModalResponder<QMenu> menu([](QMenu& popup) {
        const auto actions = popup.actions();
        ASSERT_EQ(actions.size(), 1);
        EXPECT_EQ(actions[0]->text(), "&About Quillmere...");
        actions[0]->trigger();
        popup.close();
    });
    // Anywhere on the dialog: here over a label.
    auto& label = Child<QLabel>("labelWidth");
    QContextMenuEvent event(QContextMenuEvent::Mouse, label.rect().center(),
                            label.mapToGlobal(label.rect().center()));
    QApplication::sendEvent(&label, &event);
    EXPECT_TRUE(menu.Answered());
    EXPECT_TRUE(about.Answered());
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(AppDialogForm, F1OpensTheAboutBox) {
    Open();
    QApplication::setActiveWindow(dialog.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    ModalResponder<AboutDialog> about([](AboutDialog& box) { box.reject(); });
    QTest::keyClick(dialog.get(), Qt::Key_F1);
    EXPECT_TRUE(about.Answered());
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(AppDialogForm, EscapeClosesTheAboutBoxOnly) {
    Open();
    ModalResponder<AboutDialog> about(
        [](AboutDialog& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    dialog->ShowAbout();
    EXPECT_TRUE(about.Answered());
    EXPECT_TRUE(dialog->isVisible());
}

} // namespace
