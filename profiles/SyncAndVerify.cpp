#include "SyncAndVerify.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStringList>
#include <QTemporaryFile>
#include <QVariant>

#include "StoreFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

// When this run began, in the seconds of a file's ctime: leftovers older
// than that cannot be this run's own.
const std::time_t runStarted = std::time(nullptr);

// A value as it reads back from the file: QSettings writes numbers as their
// decimal text.
QVariant AsStored(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return value.toString();
    default:
        return value;
    }
}

QStringList SortedKeys(const QSettings& settings) {
    QStringList keys = settings.allKeys();
    std::sort(keys.begin(), keys.end());
    return keys;
}

/*
 * Whether the file at path holds exactly the keys and values of settings
 * (taken from its root group). QSettings keeps each file it has parsed for
 * the whole process and parses it again only when its size or time changes,
 * so the file is parsed here from a private copy of its bytes.
 */
bool FileHolds(const QString& path, const QSettings& settings) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return false;
    }
    QTemporaryFile copy;
    if (!copy.open() || copy.write(bytes) != bytes.size() || !copy.flush()) {
        return false;
    }
    const QSettings parsed(copy.fileName(), QSettings::IniFormat);
    const QStringList keys = SortedKeys(settings);
    if (parsed.status() != QSettings::NoError || SortedKeys(parsed) != keys) {
        return false;
    }
    return std::all_of(keys.begin(), keys.end(), [&](const QString& key) {
        return AsStored(parsed.value(key)) == AsStored(settings.value(key));
    });
}

/*
 * The second names that runs killed between their link and its removal left
 * beside the settings file at path: "<file>.previous.<pid>", of a pid not
 * this run's, last changed (the link itself changes the file's ctime) before
 * this run began. Called with the write lock held, so no other run is
 * between its link and its removal; names this program does not make are
 * never touched.
 */
void RemoveStaleSecondNames(const QString& path) {
    const QFileInfo file(path);
    const QString prefix = file.fileName() + QStringLiteral(".previous.");
    const QString own = prefix + QString::number(::getpid());
    const QDir folder = file.dir();
    // Each is judged before any goes: removing a second name of a file
    // changes that file's ctime.
    std::vector<QByteArray> stale;
    for (const QString& name : folder.entryList({prefix + u'*'}, QDir::Files | QDir::Hidden)) {
        const QString pid = name.mid(prefix.size());
        const bool digits = !pid.isEmpty() && std::all_of(pid.begin(), pid.end(),
                                                          [](QChar c) { return c.isDigit(); });
        struct stat info {};
        const QByteArray bytes = QFile::encodeName(folder.filePath(name));
        if (!digits || name == own || ::lstat(bytes.constData(), &info) != 0)
            continue;
        if (info.st_ctim.tv_sec < runStarted)
            stale.push_back(bytes);
    }
    for (const QByteArray& name : stale)
        ::unlink(name.constData());
}

} // namespace

bool SyncAndVerify(QSettings& settings) {
    while (!settings.group().isEmpty()) {
        settings.endGroup();
    }
    // QSaveFile writes a store that is a link (kept in a dotfiles folder)
    // through the link: the file kept, put back or removed is the one at its
    // end, and the link stays.
    const QString path = WrittenFilePath(settings.fileName());
    const QByteArray target = QFile::encodeName(path);
    const QByteArray previous = target + ".previous." + QByteArray::number(::getpid());
    // Another instance writing between this write and its check would look
    // like a failed write and be undone; QSettings' own lock covers only the
    // write. The lock is taken in good faith: a lock that cannot be had in
    // time does not stop the write.
    QDir().mkpath(QFileInfo(path).path());
    QLockFile writing(path + QStringLiteral(".write-lock"));
    const bool locked = writing.tryLock(std::chrono::seconds(10));
    if (locked) {
        RemoveStaleSecondNames(path);
    }
    const bool existed = QFileInfo::exists(path);
    // A second name for the previous file costs no space and survives the
    // rename that replaces the file. A file system without hard links leaves
    // the failure reported but not undone.
    ::unlink(previous.constData());
    const bool kept = existed && ::link(target.constData(), previous.constData()) == 0;

    settings.sync();
    const bool written = settings.status() != QSettings::AccessError && FileHolds(path, settings);
    if (!written && kept) {
        std::rename(previous.constData(), target.constData());
    } else if (!written && !existed) {
        QFile::remove(path);
    }
    if (kept) {
        ::unlink(previous.constData());
    }
    return written;
}
