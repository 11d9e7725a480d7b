#include "platform/textfile.h"

#include "platform/codec.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

QString ReadTextFile(const QString &path)
{
    if (path.isEmpty())
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return Codec::fromSjis(file.readAll());
}

namespace {

bool WriteWhole(const QString &path, const QByteArray &bytes)
{
    if (path.isEmpty())
        return false;
    // The old file stays whole until the new one is complete (disk full, quota).
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

bool WriteTextFile(const QString &path, const QString &text)
{
    return WriteWhole(path, Codec::toSjis(text));
}

std::optional<QString> ReadUtf8File(const QString &path, qint64 maxBytes)
{
    QFile file(path);
    if (!file.exists())
        return QString();
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxBytes)
        return std::nullopt;
    const QByteArray bytes = file.read(maxBytes + 1);
    if (bytes.size() > maxBytes)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

bool WriteUtf8File(const QString &path, const QString &text)
{
    return WriteWhole(path, text.toUtf8());
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
