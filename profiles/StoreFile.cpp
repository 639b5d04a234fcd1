#include "StoreFile.h"

#include "SourceFile.h"

#include <QFile>
#include <QSettings>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString organisation = QStringLiteral("Tollervane");

} // namespace

// The organisation's own file, Tollervane.conf, lies beside the folder of
// its applications' files; asking for it reads nothing of the application's.
QString StoreFilePath(const QString& applicationName) {
    const QString organisationFile =
        QSettings(QSettings::NativeFormat, QSettings::UserScope, organisation).fileName();
    const QString suffix = QStringLiteral(".conf");
    return organisationFile.chopped(suffix.size()) + u'/' + applicationName + suffix;
}

std::string StoreFileProblem(const QString& applicationName) {
    const std::string path = QFile::encodeName(StoreFilePath(applicationName)).toStdString();
    if (::access(path.c_str(), F_OK) != 0 && errno == ENOENT)
        return {};
    if (const SourceFile file(path, "a settings file"); !file.Problem().empty())
        return file.Problem();
    const QSettings settings(QString::fromStdString(path), QSettings::IniFormat);
    return settings.status() == QSettings::FormatError ? "not a settings file" : "";
}
