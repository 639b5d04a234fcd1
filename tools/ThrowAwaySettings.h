#pragma once

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

// Points the per-user settings into a temporary folder for the life of the
// object, so that a tool built on the dialog never touches the person's own.
// Make it before the first QSettings.
class ThrowAwaySettings {
public:
    ThrowAwaySettings() {
        if (!folder.isValid())
            return;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.path()));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    }
    bool IsValid() const { return folder.isValid(); }

private:
    QTemporaryDir folder;
};
