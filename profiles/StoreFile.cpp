#include "StoreFile.h"
#include "SystemReason.h"

#include "SourceFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

const QString organisation = QStringLiteral("Tollervane");

std::string PathOf(const QString& applicationName) {
    return QFile::encodeName(StoreFilePath(applicationName)).toStdString();
}

bool IsSettingsLine(QByteArrayView line) {
    line = line.trimmed();
    return line.isEmpty() || line.startsWith(';') || line.startsWith('#') ||
           (line.startsWith('[') && line.endsWith(']')) || line.contains('=');
}

} // namespace

// The organisation's own file, Tollervane.conf, lies beside the folder of
// its applications' files; asking for it reads nothing of the application's.
QString StoreFilePath(const QString& applicationName) {
    const QString organisationFile =
        QSettings(QSettings::NativeFormat, QSettings::UserScope, organisation).fileName();
    const QString suffix = QStringLiteral(".conf");
    return organisationFile.chopped(suffix.size()) + u'/' + applicationName + suffix;
}

std::string StoreFileAccessProblem(const QString& applicationName) {
    const std::string path = PathOf(applicationName);
    if (::access(path.c_str(), F_OK) != 0 && errno == ENOENT)
        return {};
    return SourceFile(path, "a settings file").Problem();
}

std::string StoreFileProblem(const QString& applicationName) {
    if (std::string problem = StoreFileAccessProblem(applicationName); !problem.empty())
        return problem;
    QFile file(StoreFilePath(applicationName));
    if (!file.open(QIODevice::ReadOnly))
        return {}; // none yet
    const QByteArray content = file.readAll();
    if (content.contains('\0'))
        return "not a settings file";
    for (const QByteArrayView line : content.split('\n'))
        if (!IsSettingsLine(line))
            return "not a settings file";
    return {};
}

QString WrittenFilePath(const QString& path) {
    // As QSaveFile follows the chain, at most 128 links deep.
    QFileInfo file(path);
    for (int depth = 0; depth < 128 && file.isSymLink(); ++depth) {
        file.setFile(file.symLinkTarget());
    }
    return file.filePath();
}

std::string StoreFileWriteProblem(const QString& applicationName) {
    if (std::string problem = StoreFileProblem(applicationName); !problem.empty())
        return problem;
    const QString path = WrittenFilePath(StoreFilePath(applicationName));
    const QString folder = QFileInfo(path).path();
    if (!QDir().mkpath(folder))
        return "cannot make the folder " + QFile::encodeName(folder).toStdString();
    if (::access(QFile::encodeName(folder).constData(), W_OK) != 0 ||
        (QFileInfo::exists(path) && ::access(QFile::encodeName(path).constData(), W_OK) != 0))
        return SystemReason(errno);
    return "the settings file could not be written whole";
}
