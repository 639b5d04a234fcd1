#pragma once

#include <QString>

#include <string>

// The file that holds the per-user settings of organisation "Tollervane" and
// applicationName, where QSettings keeps it (it follows XDG_CONFIG_HOME and
// QSettings::setPath).
QString StoreFilePath(const QString& applicationName);

// Why that file cannot be read ("Permission denied", "a named pipe, not a
// settings file"), or empty when it can, or when there is none yet. Never
// waits on the file: QSettings would block for ever reading a named pipe.
std::string StoreFileAccessProblem(const QString& applicationName);

// StoreFileAccessProblem, or "not a settings file" when the file holds what
// no settings file holds (NUL bytes, lines that are neither a group, nor a
// value, nor a comment), which QSettings would read as nothing at all.
std::string StoreFileProblem(const QString& applicationName);

// Why the file could not be written, asked once a write has failed:
// StoreFileProblem, or the system's reason when its folder cannot be made or
// written or the file cannot be written, or else "the settings file could not
// be written whole" (a full disk or a quota).
std::string StoreFileWriteProblem(const QString& applicationName);

// The file that writing path replaces: path itself, or the file its chain of
// symbolic links ends at, so that a store kept elsewhere (a dotfiles folder)
// is written through its link, as QSaveFile does.
QString WrittenFilePath(const QString& path);
