#pragma once

#include <QString>
#include <QStringList>

// Small text operations shared by the subsystems that read board text.

// Number of occurrences of part in text, each search starting one character after the
// previous find (so occurrences may overlap).
qint32 CountString(const QString &text, const QString &part);

// Replaces every span from `open` to the next `close` (both included) by `replacement`;
// an `open` with no `close` after it is replaced alone.
QString ReplaceEnclosed(const QString &text, const QString &open, const QString &close,
                        const QString &replacement);

// True when the text holds a C0 control character or DEL: such text must not reach a request
// line or a header, where a lone CR or LF would end it early.
bool HasControlCharacter(const QString &text);

// The lines of a file's text, each ended by CR LF, LF or CR; a last line without an end
// counts, and a final line end starts no empty line.
QStringList SplitLines(const QString &text);

// The text with every "<…>" span removed (a "<" without a closing ">" goes alone).
QString RemoveTags(const QString &text);

// The four entities the board writes into messages, decoded so that "&amp;gt;" ends as ">",
// then numeric references ("&#127843;", "&#x1F363;") as written by the board, never one that
// "&amp;" made; a control character, a surrogate half or a value past U+10FFFF stays as written.
QString DecodeEntities(const QString &text);

// The text a web view shows for a piece of board HTML: tags removed once, then the entities
// (&quot; &amp; &lt; &gt; &apos; &nbsp;) and numeric references decoded once, so "&amp;gt;"
// shows as "&gt;" and "&lt;b&gt;" as "<b>".
QString HtmlText(const QString &html);
