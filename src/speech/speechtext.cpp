#include "speech/speechtext.h"

#include "settings/speechoptions.h"

#include <QRegularExpression>

namespace {

// Control characters and every run of blanks or line breaks become one blank.
QString FoldBlanks(const QString &text)
{
    QString out;
    out.reserve(text.size());
    bool blank = false;
    for (QChar c : text) {
        if (c.isSpace() || c < QChar(0x20) || c == QChar(0x7F)) {
            blank = !out.isEmpty();
            continue;
        }
        if (blank)
            out += QLatin1Char(' ');
        blank = false;
        out += c;
    }
    return out;
}

// The first `max` characters (a surrogate pair counts as one), or all of them.
QString CutAt(const QString &text, int max, bool *cut)
{
    qsizetype i = 0;
    for (int count = 0; i < text.size() && count < max; ++count)
        i += text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    *cut = i < text.size();
    return text.left(i);
}

} // namespace

QString SpeechText(const QString &text, const QString &name, const SpeechOptions &options)
{
    QString s = FoldBlanks(text);
    const QString who = FoldBlanks(name);
    if (s.isEmpty())
        return QString();
    if (options.ReadName == 1 && !who.isEmpty())
        s = who + QStringLiteral("、") + s;

    // "ttp://" is how boards' users often write an address to keep it from being a link.
    static const QRegularExpression address(QStringLiteral("(?:h?t?tps?|ftp)://[!-~]+"),
                                            QRegularExpression::CaseInsensitiveOption);
    s.replace(address, QStringLiteral("URL"));
    // A run counts only from its first letter (nothing word-like before it), so matching stays
    // linear in the text and "show" or "new" keep their w.
    static const QRegularExpression laugh(QStringLiteral(
        "(?<![A-Za-z0-9Ａ-Ｚａ-ｚ０-９])[wｗ]+(?=$|[\\s。、！？!?…・)）」』〜～ー])"));
    s.replace(laugh, QStringLiteral("わら"));

    bool cut = false;
    s = CutAt(s, options.MaxChars, &cut);
    if (cut)
        s += QStringLiteral("以下略");
    return s;
}
