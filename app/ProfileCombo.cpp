#include "ProfileCombo.h"

#include "ComboRules.h"

#include <QComboBox>
#include <QLineEdit>

namespace {
QString FromName(const std::string& name) {
    return QString::fromUtf8(name);
}
std::string ToName(const QString& text) {
    return text.toUtf8().toStdString();
}
} // namespace

ProfileCombo::ProfileCombo(QComboBox& comboBox) : box(comboBox) {
    box.setEditable(true);
    // A typed name is never taken into the list by itself: only Save adds.
    box.setInsertPolicy(QComboBox::NoInsert);
    // Inline completion would turn a half-typed new name into an existing one.
    box.setCompleter(nullptr);
    // Left alone, the box would pick the entry whose text was typed as soon as
    // the edit field loses the focus and report it as chosen, loading that
    // profile over values the person has just typed. Only a real pick counts.
    disconnect(box.lineEdit(), &QLineEdit::editingFinished, &box, nullptr);
    // Files dropped on the field go to the dialog, not into the text.
    box.lineEdit()->setAcceptDrops(false);
    connect(&box, &QComboBox::activated, this, &ProfileCombo::userPicked);
}

int ProfileCombo::Count() const {
    return box.count();
}

int ProfileCombo::CurrentIndex() const {
    return box.currentIndex();
}

std::string ProfileCombo::Text(int index) const {
    return box.itemData(index).toByteArray().toStdString();
}

std::string ProfileCombo::EditText() const {
    // A chosen entry gives back its name's own bytes, which its shown text
    // may not spell when the name is no valid UTF-8.
    const int current = box.currentIndex();
    if (current >= 0 && box.currentText() == box.itemText(current))
        return Text(current);
    return ToName(box.currentText());
}

int ProfileCombo::Add(const std::string& name) {
    const QString text = FromName(name);
    const QString edit = box.currentText();
    const bool wasEmpty = box.count() == 0;
    const int position = ComboRules::InsertPosition(Entries(), text);
    box.insertItem(position, text, QByteArray::fromStdString(name));
    // The first entry of an empty box would become its selection and replace
    // the edit field; adding an entry selects nothing.
    if (wasEmpty)
        KeepEditText(edit);
    return position;
}

int ProfileCombo::Find(const std::string& name) const {
    return box.findData(QByteArray::fromStdString(name));
}

void ProfileCombo::Remove(int index) {
    if (index < 0 || index >= box.count())
        return;
    const QString edit = box.currentText();
    const bool removesSelection = index == box.currentIndex();
    box.removeItem(index);
    // Deleting the selected entry leaves nothing selected; it does not move the
    // selection to a neighbour or change what the edit field shows.
    if (removesSelection)
        KeepEditText(edit);
}

void ProfileCombo::Select(int index) {
    if (index >= 0 && index < box.count())
        box.setCurrentIndex(index);
}

void ProfileCombo::ShowName(const std::string& name) {
    // "beach" beside "Beach" must show its own entry, whichever sorts first.
    int index = Find(name);
    if (index < 0)
        index = ComboRules::FindPrefix(Entries(), FromName(name));
    if (index >= 0)
        box.setCurrentIndex(index);
    else
        box.setEditText(FromName(name));
}

QStringList ProfileCombo::Entries() const {
    QStringList entries;
    entries.reserve(box.count());
    for (int index = 0; index < box.count(); ++index)
        entries.append(box.itemText(index));
    return entries;
}

void ProfileCombo::KeepEditText(const QString& text) {
    box.setCurrentIndex(-1);
    box.setEditText(text);
}
