#include "platform/text.h"

qint32 CountString(const QString &text, const QString &part)
{
    if (part.isEmpty())
        return 0;
    qint32 count = 0;
    for (qsizetype i = text.indexOf(part); i >= 0; i = text.indexOf(part, i + 1))
        ++count;
    return count;
}

QString ReplaceEnclosed(const QString &text, const QString &open, const QString &close,
                        const QString &replacement)
{
    if (open.isEmpty())
        return text;
    QString result = text;
    qsizetype from = 0;
    while ((from = result.indexOf(open, from)) >= 0) {
        const qsizetype end = close.isEmpty() ? -1 : result.indexOf(close, from + open.size());
        const qsizetype length = end < 0 ? open.size() : end + close.size() - from;
        result.replace(from, length, replacement);
        // Go on after what was put in, so a replacement holding `open` cannot loop.
        from += replacement.size();
    }
    return result;
}

QString RemoveTags(const QString &text)
{
    return ReplaceEnclosed(text, QStringLiteral("<"), QStringLiteral(">"), QString());
}

QString DecodeEntities(const QString &text)
{
    QString result = text;
    result.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    result.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    result.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    result.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    return result;
}
