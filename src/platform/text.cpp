#include "platform/text.h"

#include <QVector>
#include <algorithm>

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
    // One pass over the text: what was put in is never scanned again, and once no `close`
    // is left, no later `open` searches for one (a board can send a megabyte of "<").
    QString result;
    result.reserve(text.size());
    qsizetype pos = 0;
    bool closeLeft = !close.isEmpty();
    for (qsizetype from; (from = text.indexOf(open, pos)) >= 0;) {
        result += QStringView(text).mid(pos, from - pos);
        result += replacement;
        const qsizetype end = closeLeft ? text.indexOf(close, from + open.size()) : -1;
        if (end < 0)
            closeLeft = false;
        pos = end < 0 ? from + open.size() : end + close.size();
    }
    result += QStringView(text).mid(pos);
    return result;
}

bool HasControlCharacter(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c < QChar(0x20) || c == QChar(0x7F); });
}

QStringList SplitLines(const QString &text)
{
    QStringList lines;
    const qsizetype n = text.size();
    qsizetype from = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines << text.mid(from, i - from);
        if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        from = i + 1;
    }
    if (from < n)
        lines << text.mid(from);
    return lines;
}

QString RemoveTags(const QString &text)
{
    return ReplaceEnclosed(text, QStringLiteral("<"), QStringLiteral(">"), QString());
}

namespace {

// The character of a numeric reference "&#NNN;" or "&#xHHH;" starting at `at` (on its "&"),
// and the reference's length; nothing for a malformed reference or a character that must
// not be produced (control characters, surrogate halves, beyond U+10FFFF).
bool NumericReference(const QString &text, qsizetype at, char32_t *out, qsizetype *length)
{
    const qsizetype n = text.size();
    qsizetype i = at + 2;
    if (i > n || text.at(at + 1) != QLatin1Char('#'))
        return false;
    const bool hex = i < n && (text.at(i) == QLatin1Char('x') || text.at(i) == QLatin1Char('X'));
    if (hex)
        ++i;
    const qsizetype digitsFrom = i;
    char32_t value = 0;
    for (; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (hex && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (hex && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        if (digit < 0)
            break;
        // Saturates above the last code point, so long digit runs cannot wrap.
        value = qMin<char32_t>(value * (hex ? 16 : 10) + char32_t(digit), 0x110000);
    }
    if (i == digitsFrom || i >= n || text.at(i) != QLatin1Char(';'))
        return false;
    const bool control = value < 0x20 || (value >= 0x7F && value <= 0x9F);
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    if (control || surrogate || value > 0x10FFFF)
        return false;
    *out = value;
    *length = i + 1 - at;
    return true;
}

} // namespace

QString DecodeEntities(const QString &text)
{
    QString quoted = text;
    quoted.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    // "&amp;" next, remembering which "&" it made: such an "&" may start "&gt;" or "&lt;"
    // (so "&amp;gt;" ends as ">"), but never a numeric reference ("&amp;#38;" ends as "&#38;").
    static const QString amp = QStringLiteral("&amp;");
    QString unescaped;
    QVector<bool> made;
    unescaped.reserve(quoted.size());
    made.reserve(quoted.size());
    for (qsizetype pos = 0;;) {
        const qsizetype at = quoted.indexOf(amp, pos);
        const qsizetype to = at < 0 ? quoted.size() : at;
        unescaped += QStringView(quoted).mid(pos, to - pos);
        made.insert(made.size(), to - pos, false);
        if (at < 0)
            break;
        unescaped += QLatin1Char('&');
        made.append(true);
        pos = at + amp.size();
    }

    QString result;
    result.reserve(unescaped.size());
    const qsizetype n = unescaped.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = unescaped.at(i);
        if (c != QLatin1Char('&')) {
            result += c;
            ++i;
            continue;
        }
        const QStringView rest = QStringView(unescaped).mid(i + 1, 3);
        char32_t code = 0;
        qsizetype length = 0;
        if (rest == QLatin1String("gt;")) {
            result += QLatin1Char('>');
            i += 4;
        } else if (rest == QLatin1String("lt;")) {
            result += QLatin1Char('<');
            i += 4;
        } else if (!made.at(i) && NumericReference(unescaped, i, &code, &length)) {
            result += QString::fromUcs4(&code, 1);
            i += length;
        } else {
            result += c;
            ++i;
        }
    }
    return result;
}

QString HtmlText(const QString &html)
{
    static const std::pair<QLatin1String, QChar> named[] = {
        {QLatin1String("&quot;"), QLatin1Char('"')},  {QLatin1String("&amp;"), QLatin1Char('&')},
        {QLatin1String("&lt;"), QLatin1Char('<')},    {QLatin1String("&gt;"), QLatin1Char('>')},
        {QLatin1String("&apos;"), QLatin1Char('\'')}, {QLatin1String("&nbsp;"), QChar(0xA0)}};
    const QString text = RemoveTags(html);
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        if (text.at(i) != QLatin1Char('&')) {
            result += text.at(i++);
            continue;
        }
        const QStringView rest = QStringView(text).mid(i, 6);
        const auto entity =
            std::find_if(std::begin(named), std::end(named),
                         [&rest](const auto &e) { return rest.startsWith(e.first); });
        char32_t code = 0;
        qsizetype length = 0;
        if (entity != std::end(named)) {
            result += entity->second;
            i += entity->first.size();
        } else if (NumericReference(text, i, &code, &length)) {
            result += QString::fromUcs4(&code, 1);
            i += length;
        } else {
            result += text.at(i++);
        }
    }
    return result;
}
