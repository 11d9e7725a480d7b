#include "platform/textfile.h"

#include "platform/codec.h"

#include <QFile>
#include <QSaveFile>

QString ReadTextFile(const QString &path)
{
    if (path.isEmpty())
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return Codec::fromSjis(file.readAll());
}

bool WriteTextFile(const QString &path, const QString &text)
{
    if (path.isEmpty())
        return false;
    // The old file stays whole until the new one is complete (disk full, quota).
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = Codec::toSjis(text);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool FileExists(const QString &path)
{
    QString p = path;
    if (p.endsWith(QLatin1Char('\\')) || p.endsWith(QLatin1Char('/')))
        p.chop(1);
    if (p.isEmpty())
        return false;
    QFile file(p);
    // Opening, not just looking, as a folder or an unreadable file must not count.
    return file.open(QIODevice::ReadOnly);
}
