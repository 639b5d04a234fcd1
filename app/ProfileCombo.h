#pragma once

#include <QObject>

#include <string>

class QComboBox;

// The profile box: an editable combo box that keeps its entries sorted
// without regard to letter case and behaves the way the profile commands
// expect of it. Entries are added at their sorted place (equal texts are
// allowed), changing the selection from code never raises userPicked, and the
// edit field keeps its text unless a selection replaces it.
// Names are bytes, as profiles hold them: each entry keeps its name's bytes
// and shows them as UTF-8; typed text is taken as UTF-8. The box must outlive
// this object.
class ProfileCombo : public QObject {
    Q_OBJECT
public:
    explicit ProfileCombo(QComboBox& box);

    int Count() const;
    // The index of the selected entry, or -1.
    int CurrentIndex() const;
    std::string Text(int index) const;
    // What the edit field shows, typed or chosen.
    std::string EditText() const;

    // Inserts name at its sorted place and returns that place.
    int Add(const std::string& name);
    // The first entry whose name equals name byte for byte, or -1.
    int Find(const std::string& name) const;
    // Deletes the entry at index; an index outside the list deletes nothing.
    void Remove(int index);
    // Selects the entry at index; an index outside the list selects nothing.
    void Select(int index);
    // Selects the entry of exactly that name, else the first entry that begins
    // with name in any letter case, or when none does puts name into the edit
    // field.
    void ShowName(const std::string& name);

Q_SIGNALS:
    // The person chose an entry from the list.
    void userPicked();

private:
    QStringList Entries() const;
    void KeepEditText(const QString& text);

    QComboBox& box;
};
