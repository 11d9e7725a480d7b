#pragma once

#include <QString>
#include <QStringList>

// NG words: lines containing one are replaced before they are split into fields.
namespace NgWords {

// The words of an "ngword.txt" text: its lines, ended by CR LF, LF or CR or by the end of the
// text; blank lines are no words.
QStringList FromFileText(const QString &text);
// The file text: every word, as AsBoardWrites gives it, followed by CR LF.
QString ToFileText(const QStringList &words);
// The word with every character that Shift_JIS cannot hold written as a decimal numeric
// reference ("&#128512;"): the file keeps it, and the boards send such characters so.
QString AsBoardWrites(const QString &word);

} // namespace NgWords

// Eight "NG" fields joined by the separator: shown as an NG post on either board kind.
QString NgRecord(const QString &separator);
// True when the raw line contains any of the words (case-sensitive substring).
bool ContainsNgWord(const QString &line, const QStringList &words);
