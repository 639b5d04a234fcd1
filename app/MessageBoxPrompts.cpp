#include "MessageBoxPrompts.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include <vector>

namespace {

QMessageBox::Icon IconFor(unsigned style) {
    switch (style & MessageStyle::IconMask) {
    case MessageStyle::IconHand:
        return QMessageBox::Critical;
    case MessageStyle::IconQuestion:
        return QMessageBox::Question;
    case MessageStyle::IconExclamation:
        return QMessageBox::Warning;
    default:
        return QMessageBox::NoIcon;
    }
}

// The buttons in the order they are shown; the first is the default.
std::vector<QMessageBox::StandardButton> ButtonsFor(unsigned style) {
    switch (style & MessageStyle::ButtonsMask) {
    case MessageStyle::OkCancel:
        return {QMessageBox::Ok, QMessageBox::Cancel};
    case MessageStyle::YesNo:
        return {QMessageBox::Yes, QMessageBox::No};
    case MessageStyle::SaveDiscardCancel:
        return {QMessageBox::Save, QMessageBox::Discard, QMessageBox::Cancel};
    default:
        return {QMessageBox::Ok};
    }
}

int AnswerFor(QMessageBox::StandardButton button) {
    switch (button) {
    case QMessageBox::Cancel:
        return IdCancel;
    case QMessageBox::Yes:
        return IdYes;
    case QMessageBox::No:
        return IdNo;
    case QMessageBox::Save:
        return IdSave;
    case QMessageBox::Discard:
        return IdDiscard;
    default:
        return IdOk;
    }
}

} // namespace

int MessageBoxPrompts::ShowMessage(const std::string& text, unsigned style,
                                   const std::string& detail) {
    // Not the active window: right after another box closes, the window
    // system may not have handed activation back yet.
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent)
        parent = owner ? owner.data() : QApplication::activeWindow();
    QMessageBox box(IconFor(style), QGuiApplication::applicationDisplayName(),
                    QString::fromUtf8(text), QMessageBox::NoButton, parent);
    // Paths and names are shown as they are, never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(QString::fromUtf8(detail));
    // The reason can quote a file's own text; it is never markup either.
    if (auto* reason = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        reason->setTextFormat(Qt::PlainText);
    const auto buttons = ButtonsFor(style);
    for (const auto button : buttons)
        box.addButton(button);
    box.setDefaultButton(buttons.front());
    if (auto* discard = box.button(QMessageBox::Discard))
        discard->setText(QStringLiteral("&Discard"));
    // Escape means Cancel or No; a box with one button lets Escape take it.
    box.setEscapeButton(box.button(buttons.back()));
    box.exec();
    auto* clicked = box.clickedButton();
    return AnswerFor(clicked ? box.standardButton(clicked) : buttons.back());
}
