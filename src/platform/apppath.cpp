#include "platform/apppath.h"

#include <QDir>

QString AppPathFor(const QString &programFolder)
{
    QString folder = qEnvironmentVariable("SAZANAMI_HOME");
    if (folder.isEmpty())
        folder = programFolder;
    folder = QDir::cleanPath(QDir(folder).absolutePath());
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}
