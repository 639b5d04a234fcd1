#include "SyncAndVerify.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStringList>
#include <QTemporaryFile>
#include <QVariant>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

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

} // namespace

bool SyncAndVerify(QSettings& settings) {
    while (!settings.group().isEmpty()) {
        settings.endGroup();
    }
    const QString path = settings.fileName();
    const QByteArray target = QFile::encodeName(path);
    const QByteArray previous = target + ".previous." + QByteArray::number(::getpid());
    // Another instance writing between this write and its check would look
    // like a failed write and be undone; QSettings' own lock covers only the
    // write. The lock is taken in good faith: a lock that cannot be had in
    // time does not stop the write.
    QDir().mkpath(QFileInfo(path).path());
    QLockFile writing(path + QStringLiteral(".write-lock"));
    writing.tryLock(std::chrono::seconds(10));
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
