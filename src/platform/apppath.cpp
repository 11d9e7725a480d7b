#include "platform/apppath.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString WithSlash(const QString &folder)
{
    QString path = QDir::cleanPath(QDir(folder).absolutePath());
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

} // namespace

QString AppPathFor(const QString &programFolder)
{
    const QString home = qEnvironmentVariable("SAZANAMI_HOME");
    if (!home.isEmpty())
        return WithSlash(home);
    const QFileInfo folder(programFolder);
    if (QFileInfo::exists(programFolder + QStringLiteral("/Header.htm")) && folder.isWritable())
        return WithSlash(programFolder);
    const QString user = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                         QStringLiteral("/sazanami");
    const QStringList failed =
        SeedDataFolder(programFolder + QStringLiteral("/../share/sazanami"), user);
    for (const QString &path : failed)
        qWarning("sazanami: cannot write %s", qPrintable(path));
    return WithSlash(user);
}

QStringList SeedDataFolder(const QString &source, const QString &target)
{
    QStringList failed;
    const QDir from(source);
    if (!QDir().mkpath(target))
        return {target};
    QDirIterator it(source, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString copy = target + QLatin1Char('/') + from.relativeFilePath(file);
        if (QFileInfo::exists(copy) || QFileInfo(copy).isSymLink())
            continue;
        if (!QDir().mkpath(QFileInfo(copy).path()) || !QFile::copy(file, copy)) {
            failed << copy;
            continue;
        }
        // Shipped files are read-only once installed; the user's copy must be editable.
        QFile::setPermissions(copy, QFile::permissions(copy) | QFile::WriteOwner);
    }
    return failed;
}
