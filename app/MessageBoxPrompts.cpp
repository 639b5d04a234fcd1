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

// How the box shows each answer.
QMessageBox::StandardButton ButtonFor(MessageAnswer answer) {
    switch (answer) {
    case IdCancel:
        return QMessageBox::Cancel;
    case IdYes:
        return QMessageBox::Yes;
    case IdNo:
        return QMessageBox::No;
    case IdSave:
        return QMessageBox::Save;
    case IdDiscard:
        return QMessageBox::Discard;
    default:
        return QMessageBox::Ok;
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
    const std::span<const MessageAnswer> answers = AnswersOf(style);
    std::vector<QPushButton*> buttons;
    for (const MessageAnswer answer : answers)
        buttons.push_back(box.addButton(ButtonFor(answer)));
    box.setDefaultButton(buttons.front());
    if (auto* discard = box.button(QMessageBox::Discard))
        discard->setText(QStringLiteral("&Discard"));
    // Escape means Cancel or No; a box with one button lets Escape take it.
    box.setEscapeButton(buttons.back());
    box.exec();
    for (std::size_t index = 0; index < buttons.size(); ++index)
        if (box.clickedButton() == buttons[index])
            return answers[index];
    return answers.back();
}
