#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QSettings;
class QVariant;

// One open group of the per-user settings of organisation "Tollervane" and
// one application: ~/.config/Tollervane/<application>.conf here (it follows
// XDG_CONFIG_HOME and QSettings::setPath). Holds at most one group open at a
// time and closes it when destroyed. Needs no QCoreApplication.
//
// Values are 32-bit patterns. They are written as decimal text, signed or
// unsigned after the form used, and any decimal integer from -2147483648 to
// 4294967295 reads back as its low 32 bits, whichever form reads it.
//
// Writing rewrites the whole file from what QSettings parsed: every key and
// value is kept, comments and lines that hold no key are not.
class ProfileKey {
public:
    explicit ProfileKey(std::string applicationName);
    ~ProfileKey();
    ProfileKey(const ProfileKey&) = delete;
    ProfileKey& operator=(const ProfileKey&) = delete;

    // Closes the group held, if any, then opens subPath, whose levels are
    // separated by '/'. False when the settings file cannot be read at all
    // or is no settings file (StoreFileProblem), without ever waiting on it:
    // such a file is never written over.
    // Opening creates nothing: the file appears with the first value written.
    bool Open(const QString& subPath);
    // False when no group was held. Otherwise writes what was written through
    // the group to the file, replacing the file atomically, releases the
    // group, and is true exactly when the file now holds it (or nothing
    // needed writing). A write that fails leaves the previous file.
    bool Close();

    // A value name may be a path below the open group ("Beach/Frame Width").
    // True when the value exists and holds a 32-bit integer; target is
    // unchanged on false.
    bool ReadDword(const QString& valueName, std::int32_t& target) const;
    bool ReadDword(const QString& valueName, std::uint32_t& target) const;
    // Replaces any value of that name. The file is written at Close.
    bool WriteDword(const QString& valueName, std::int32_t value);
    bool WriteDword(const QString& valueName, std::uint32_t value);

    // Deletes the group of that name below the open group, with everything in
    // it; the file is written at Close. Removing a group that is not there
    // changes nothing.
    bool RemoveSubKey(const QString& name);

    // The names of the groups one level below the open group, in the store's
    // (sorted) order. names is emptied first.
    bool EnumSubKeys(std::vector<QString>& names) const;

private:
    bool Write(const QString& valueName, const QVariant& value);

    QString applicationName;
    std::unique_ptr<QSettings> settings;
    bool wroteValues = false;
};
