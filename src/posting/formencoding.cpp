#include "formencoding.h"

#include "platform/codec.h"

#include <QStringList>

namespace {

bool isUnreserved(uchar b)
{
    return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '_' ||
           b == '@' || b == '*' || b == '-' || b == '.';
}

bool isLead(uchar b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

void appendHex(QString &out, int b)
{
    static const char digits[] = "0123456789ABCDEF";
    out += QLatin1Char('%');
    out += QLatin1Char(digits[(b >> 4) & 0xF]);
    out += QLatin1Char(digits[b & 0xF]);
}

} // namespace

QString UrlEncodeSJIS(const QString &text)
{
    const QByteArray bytes = Codec::toSjisForm(text);
    QString out;
    out.reserve(bytes.size() * 3);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar b = uchar(bytes.at(i));
        if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF)) {
            appendHex(out, b);
            if (i + 1 < bytes.size())
                appendHex(out, uchar(bytes.at(++i)));
        } else if (b == ' ') {
            out += QLatin1Char('+');
        } else if (isUnreserved(b)) {
            out += QLatin1Char(char(b));
        } else {
            appendHex(out, b);
        }
    }
    return out;
}

QString UrlEncodeEUC(const QString &text)
{
    // Characters without an EUC-JP form arrive here as references already.
    const QByteArray bytes = Codec::toSjisForm(text, true);
    QString out;
    out.reserve(bytes.size() * 3);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const int s1 = uchar(bytes.at(i));
        const int s2 = i + 1 < bytes.size() ? uchar(bytes.at(i + 1)) : -1;
        if (s1 == ' ') {
            out += QLatin1Char('+');
        } else if (isUnreserved(uchar(s1))) {
            out += QLatin1Char(char(s1));
        } else if (s1 >= 0xA1 && s1 <= 0xDF) {
            out += QStringLiteral("%8E");
            appendHex(out, s1);
        } else if (isLead(uchar(s1)) && s1 < 0xF0 &&
                   ((s2 >= 0x40 && s2 <= 0x7E) || (s2 >= 0x80 && s2 <= 0xFC))) {
            ++i;
            int e1, e2;
            if (s2 < 0x9F) {
                e1 = s1 < 0xE0 ? 2 * s1 - 0x61 : 2 * s1 - 0xE1;
                e2 = s2 < 0x7F ? s2 + 0x61 : s2 + 0x60;
            } else {
                e1 = s1 < 0xE0 ? 2 * s1 - 0x60 : 2 * s1 - 0xE0;
                e2 = s2 + 2;
            }
            appendHex(out, e1);
            appendHex(out, e2);
        } else {
            appendHex(out, s1);
        }
    }
    return out;
}

QString TrimMessage(const QString &text)
{
    const QString crlf = QStringLiteral("\r\n");
    QStringList lines = text.split(crlf);
    for (QString &line : lines) {
        qsizetype end = line.size();
        while (end > 0 && line.at(end - 1) == QLatin1Char(' '))
            --end;
        line.truncate(end);
    }
    QString out = lines.join(crlf);
    while (out.endsWith(crlf))
        out.chop(2);
    return out;
}
