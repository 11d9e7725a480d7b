#pragma once

#include <QByteArray>
#include <QString>

// Text conversion for the boards' encodings: Microsoft code page 932 ("Shift_JIS") and EUC-JP.
namespace Codec {

QString fromSjis(const QByteArray &bytes);
// A character without a Shift_JIS form becomes "?", as Windows writes it.
QByteArray toSjis(const QString &text);
// Shift_JIS as a browser sends a form: a character the encoding lacks goes as its decimal
// reference "&#N;", which the board stores and shows. With euc, also every character that has
// no EUC-JP form (vendor and user-defined rows, leads 0xF0–0xFC).
QByteArray toSjisForm(const QString &text, bool euc = false);
QString fromEuc(const QByteArray &bytes);
QByteArray toEuc(const QString &text);

// Byte length of a text once written as Shift_JIS.
qsizetype sjisLength(const QString &text);

// The arithmetic EUC-JP → Shift_JIS mapping of rental-board bodies (JIS X 0208 and half-width
// kana; three-byte sequences are not recognised). Every CR, LF or CR LF becomes CR LF.
QString EucToSjis(const QByteArray &bytes);

// Incremental CP932 decoder: a character split across two chunks decodes as if it came whole.
class SjisDecoder
{
public:
    QString decode(const QByteArray &chunk);
    // A lead byte still waiting for its second byte is given up as a broken character.
    QString finish();

private:
    int m_lead = -1;
};

// Incremental form of EucToSjis: the same text as converting the whole body at once.
class EucToSjisDecoder
{
public:
    QString decode(const QByteArray &chunk);
    QString finish();

private:
    QByteArray convert(const QByteArray &bytes, bool atEnd);
    QByteArray m_pending;
    SjisDecoder m_sjis;
};

} // namespace Codec
