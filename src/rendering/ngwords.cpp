#include "rendering/ngwords.h"

#include "platform/codec.h"
#include "platform/text.h"

namespace NgWords {

QStringList FromFileText(const QString &text)
{
    // Any editor's line ends; a blank line is no word.
    QStringList words;
    for (const QString &line : SplitLines(text))
        if (!line.isEmpty())
            words << line;
    return words;
}

QString ToFileText(const QStringList &words)
{
    QString text;
    for (const QString &w : words)
        text += AsBoardWrites(w) + QStringLiteral("\r\n");
    return text;
}

QString AsBoardWrites(const QString &word)
{
    QString out;
    out.reserve(word.size());
    for (const char32_t code : word.toUcs4()) {
        const QString c = QString::fromUcs4(&code, 1);
        if (code != U'?' && Codec::toSjis(c) == "?")
            out += QStringLiteral("&#%1;").arg(quint32(code));
        else
            out += c;
    }
    return out;
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
