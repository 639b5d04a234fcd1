#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

// Lets failed checks show names as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// Points the per-user settings into a fresh temporary folder before a test
// makes its first QSettings, so no test reads or writes the user's own. Each
// test gets its own folder and so its own files: nothing carries over through
// QSettings' in-process cache of parsed files.
class SettingsSandbox : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.path()));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    }

    QString Path(const QString& relative) const { return folder.filePath(relative); }

    // Where the store of this application name keeps its file.
    QString StoreFile(const QString& application) const {
        return Path(QStringLiteral("Tollervane/") + application + QStringLiteral(".conf"));
    }

    std::string ReadText(const QString& path) const {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return file.readAll().toStdString();
    }

    void WriteText(const QString& path, const std::string& text) const {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(file.write(text.data(), static_cast<qint64>(text.size())),
                  static_cast<qint64>(text.size()));
    }

    QStringList Entries(const QString& relative) const {
        return QDir(Path(relative))
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

private:
    QTemporaryDir folder;
};
