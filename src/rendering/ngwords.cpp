#include "rendering/ngwords.h"

namespace NgWords {

QStringList FromFileText(const QString &text)
{
    QStringList pieces = text.split(QStringLiteral("\r\n"));
    pieces.removeLast(); // what follows the final CR LF
    return pieces;
}

QString ToFileText(const QStringList &words)
{
    QString text;
    for (const QString &w : words)
        text += w + QStringLiteral("\r\n");
    return text;
}

} // namespace NgWords

QString NgRecord(const QString &separator)
{
    QStringList fields;
    for (int i = 0; i < 8; ++i)
        fields << QStringLiteral("NG");
    return fields.join(separator);
}

bool ContainsNgWord(const QString &line, const QStringList &words)
{
    for (const QString &w : words) {
        // A blank line in a hand-edited file must not hide the whole thread.
        if (!w.isEmpty() && line.contains(w))
            return true;
    }
    return false;
}
