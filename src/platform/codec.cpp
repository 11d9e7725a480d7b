#include "platform/codec.h"

#include <QStringEncoder>
#include <QVector>
#include <utility>

namespace Codec {

namespace {

constexpr char16_t kDefaultChar = 0x30FB; // "・", what Windows shows for a broken character

bool isLead(int b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool isTrail(int b)
{
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

// Single bytes outside ASCII and half-width kana, as Windows maps them.
char16_t singleByteChar(int b)
{
    switch (b) {
    case 0x80:
        return 0x0080;
    case 0xA0:
        return 0xF8F0;
    case 0xFD:
        return 0xF8F1;
    case 0xFE:
        return 0xF8F2;
    case 0xFF:
        return 0xF8F3;
    default:
        return char16_t(b >= 0xA1 && b <= 0xDF ? 0xFF61 + (b - 0xA1) : b);
    }
}

// Both directions of the double-byte part of CP932, built once from ICU's windows-31j.
// Single bytes are mapped here directly: ICU permutes 0x1A, 0x1C and 0x7F, CP932 does not.
struct Cp932Tables
{
    char16_t decode[0x10000] = {};
    quint16 encode[0x10000] = {}; // 0: no double-byte form

    Cp932Tables()
    {
        QByteArray pairs;
        QVector<quint16> codes;
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!isLead(lead))
                continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                if (!isTrail(trail))
                    continue;
                pairs.append(char(lead));
                pairs.append(char(trail));
                codes.append(quint16(lead << 8 | trail));
            }
        }
        QStringDecoder decoder("windows-31j");
        const QString chars = decoder.decode(pairs);
        const bool oneEach = chars.size() == codes.size();
        QString assigned;
        for (qsizetype i = 0; i < codes.size(); ++i) {
            char16_t c = kDefaultChar;
            if (oneEach) {
                c = chars.at(i).unicode();
            } else {
                QStringDecoder single("windows-31j");
                const QString one = single.decode(pairs.mid(i * 2, 2));
                if (one.size() == 1)
                    c = one.at(0).unicode();
            }
            if (c == 0xFFFD || c == 0x1A) {
                c = kDefaultChar;
            } else if (!assigned.contains(QChar(c))) {
                assigned.append(QChar(c));
            }
            decode[codes[i]] = c;
        }
        // ICU knows which of CP932's duplicate codes Windows writes (NEC or IBM rows).
        QStringEncoder encoder("windows-31j");
        const QByteArray bytes = encoder.encode(assigned);
        if (bytes.size() == assigned.size() * 2) {
            for (qsizetype i = 0; i < assigned.size(); ++i) {
                encode[assigned.at(i).unicode()] =
                    quint16(uchar(bytes[2 * i]) << 8 | uchar(bytes[2 * i + 1]));
            }
        }
        for (int code : codes) {
            if (decode[code] != kDefaultChar && encode[decode[code]] == 0)
                encode[decode[code]] = quint16(code);
        }
        encode[kDefaultChar] = 0x8145;
        // The JIS table's forms of characters that CP932 maps elsewhere (what Linux input
        // methods type for 〜, −, ‖ …) take the code Windows gives them.
        const std::pair<char16_t, quint16> jisForms[] = {
            {0x301C, 0x8160}, {0x2016, 0x8161}, {0x2212, 0x817C}, {0x00A2, 0x8191},
            {0x00A3, 0x8192}, {0x00AC, 0x81CA}, {0x2014, 0x815C}};
        for (const auto &[c, code] : jisForms) {
            if (encode[c] == 0)
                encode[c] = code;
        }
    }
};

const Cp932Tables &tables()
{
    static const Cp932Tables instance;
    return instance;
}

} // namespace

QString fromSjis(const QByteArray &bytes)
{
    SjisDecoder decoder;
    QString text = decoder.decode(bytes);
    text += decoder.finish();
    return text;
}

namespace {

enum class Missing
{
    Question,     // "?", as Windows writes it
    Reference,    // "&#N;", as a browser sends a form
    EucReference, // the same, also for what EUC-JP lacks (leads 0xF0–0xFC, odd single bytes)
};

QByteArray encodeSjis(const QString &text, Missing missing)
{
    const Cp932Tables &t = tables();
    QByteArray out;
    out.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const quint16 code = t.encode[c];
        const bool odd = c == 0x0080 || (c >= 0xF8F0 && c <= 0xF8F3);
        const bool euc = missing == Missing::EucReference;
        if (c < 0x80) {
            out.append(char(c));
        } else if (c >= 0xFF61 && c <= 0xFF9F) {
            out.append(char(c - 0xFF61 + 0xA1));
        } else if (odd && !euc) {
            out.append(char(c == 0x0080 ? 0x80 : c == 0xF8F0 ? 0xA0 : c - 0xF8F1 + 0xFD));
        } else if (code && !(euc && code >= 0xF000)) {
            out.append(char(code >> 8));
            out.append(char(code & 0xFF));
        } else {
            char32_t whole = c;
            if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                whole = QChar::surrogateToUcs4(c, text.at(++i).unicode());
            if (missing == Missing::Question)
                out.append('?');
            else
                out.append("&#" + QByteArray::number(quint32(whole)) + ';');
        }
    }
    return out;
}

} // namespace

QByteArray toSjis(const QString &text)
{
    return encodeSjis(text, Missing::Question);
}

QByteArray toSjisForm(const QString &text, bool euc)
{
    return encodeSjis(text, euc ? Missing::EucReference : Missing::Reference);
}

qsizetype sjisLength(const QString &text)
{
    return toSjis(text).size();
}

QString fromEuc(const QByteArray &bytes)
{
    QStringDecoder decoder("EUC-JP");
    return decoder.decode(bytes);
}

QByteArray toEuc(const QString &text)
{
    QStringEncoder encoder("EUC-JP");
    return encoder.encode(text);
}

QString EucToSjis(const QByteArray &bytes)
{
    EucToSjisDecoder decoder;
    QString text = decoder.decode(bytes);
    text += decoder.finish();
    return text;
}

QString SjisDecoder::decode(const QByteArray &chunk)
{
    const Cp932Tables &t = tables();
    QString out;
    out.reserve(chunk.size() + 1);
    qsizetype i = 0;
    if (m_lead >= 0 && !chunk.isEmpty()) {
        const int trail = uchar(chunk[0]);
        if (isTrail(trail)) {
            out.append(QChar(t.decode[m_lead << 8 | trail]));
            i = 1;
        } else {
            out.append(QChar(kDefaultChar));
        }
        m_lead = -1;
    }
    const qsizetype n = chunk.size();
    const char *p = chunk.constData();
    for (; i < n; ++i) {
        const int b = uchar(p[i]);
        if (b < 0x80) {
            out.append(QChar(char16_t(b)));
        } else if (isLead(b)) {
            if (i + 1 == n) {
                m_lead = b; // the rest of the character comes with the next chunk
            } else if (isTrail(uchar(p[i + 1]))) {
                out.append(QChar(t.decode[b << 8 | uchar(p[i + 1])]));
                ++i;
            } else {
                // The byte after a broken lead byte is read again on its own (it may be a LF).
                out.append(QChar(kDefaultChar));
            }
        } else {
            out.append(QChar(singleByteChar(b)));
        }
    }
    return out;
}

QString SjisDecoder::finish()
{
    const bool broken = m_lead >= 0;
    m_lead = -1;
    return broken ? QString(QChar(kDefaultChar)) : QString();
}

QString EucToSjisDecoder::decode(const QByteArray &chunk)
{
    return m_sjis.decode(convert(m_pending + chunk, false));
}

QString EucToSjisDecoder::finish()
{
    const QByteArray pending = std::exchange(m_pending, QByteArray());
    const QByteArray rest = convert(pending, true);
    QString text = m_sjis.decode(rest);
    text += m_sjis.finish();
    return text;
}

QByteArray EucToSjisDecoder::convert(const QByteArray &b, bool atEnd)
{
    QByteArray out;
    out.reserve(b.size() + b.size() / 16);
    const qsizetype n = b.size();
    m_pending.clear();
    for (qsizetype i = 0; i < n; ++i) {
        const int x = static_cast<unsigned char>(b[i]);
        const bool haveNext = i + 1 < n;
        // A byte whose meaning depends on the next one waits for it, unless the body has ended.
        if (!haveNext && !atEnd && (x == '\r' || x >= 0x80)) {
            m_pending = b.mid(i);
            break;
        }
        const int y = haveNext ? static_cast<unsigned char>(b[i + 1]) : 0;
        if (x < 0x80) {
            if (x == '\r' && y == '\n') {
                out.append("\r\n");
                ++i;
            } else if (x == '\n' || x == '\r') {
                out.append("\r\n");
            } else {
                out.append(char(x));
            }
            if (i + 1 < n && static_cast<unsigned char>(b[i + 1]) == '\n' && x != '\r') {
                out.append("\r\n");
                ++i;
            }
        } else if (x == 0x8E) {
            if (haveNext)
                out.append(char(y));
            ++i;
        } else {
            int first;
            if (x == 0xFF)
                first = 0;
            else if (x % 2 == 1)
                first = x <= 222 ? (x + 97) / 2 : (x + 225) / 2; // X/2 + 48.5 and X/2 + 112.5
            else
                first = x <= 222 ? x / 2 + 48 : x / 2 + 112;
            int second;
            if (x % 2 == 0) {
                second = y - 2;
            } else {
                second = y < 0x61 ? y : y - 0x61;
                if (second > 126)
                    ++second;
            }
            if (haveNext) {
                out.append(char(first));
                out.append(char(second));
            }
            ++i;
        }
    }
    return out;
}

} // namespace Codec
