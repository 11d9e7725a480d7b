#pragma once

#include <QSet>
#include <QString>
#include <QVector>
#include <QtGlobal>

// The thread list's rules without a socket or a window: board and thread addresses, the cells
// of a row, and the rows of a board's "subject.txt" built line by line.

// The board address of a thread address: for a rental-board thread its category and number,
// for a 2channel-style path address the directory of its board. "" when a part is missing.
// The scheme (http or https) is kept.
QString BoardUrlOf(const QString &threadUrl);
// The thread address for a line of a board's list: the board address and the file name
// ("1234567890.dat"). The board's scheme is kept.
QString ThreadUrlOf(const QString &boardUrl, const QString &file);
// True when a board address names the rental board (old or new host).
bool IsRentalBoardUrl(const QString &boardUrl);

// fill repeated in front of text up to width characters; a longer text is left as it is.
QString PadText(const QString &text, int width, QChar fill);
// The text between the last open and the last close after it; "" when either is missing.
QString TextBetweenLast(const QString &text, const QString &open, const QString &close);
// The thread key of a file name (the number before its first "."), or -1 when it is none.
qint64 ThreadKeyOf(const QString &file);
// Posts per day since the thread's creation (key, seconds since 1970 UTC) until now, with one
// decimal, padded to 7 characters; "?" while the key lies in the future; "" when count or key
// is not a number.
QString PowerOf(const QString &count, qint64 key, qint64 now);

// One row of lvwThread.
struct ThreadRow
{
    QString Num;   // "番号": line number, "0" padded to 4
    QString Title; // "タイトル": the second field before its last "(", entities decoded
    QString Res;   // "レス": post count, " " padded to 4
    QString Power; // "勢い": posts per day
    QString Url;   // "URL": the thread address
    QString file;  // the first field: the thread's file name
};

// Sort order of two cells of a column: numbers padded to the same width compare as texts;
// a longer number (more than 9999 rows or posts, a rate of 100000 or more) still comes after
// the shorter ones. Other texts compare as they are.
bool ThreadCellLess(int column, const QString &a, const QString &b);

// The rows of a subject list, built from its decoded text as it arrives.
class SubjectLines
{
public:
    // More rows than any board keeps; a longer list is cut here.
    static constexpr int kMaxRows = 20000;

    void reset(const QString &boardUrl, bool rental, qint64 now);
    // More decoded text; every complete line (ending with LF) becomes a row. False once the
    // row limit is reached (the rest is ignored).
    bool add(const QString &text);
    // The rows; the text after the final LF is never a row. The rental board's list repeats a
    // thread on its last line: that row is dropped.
    QVector<ThreadRow> finish();

private:
    void addLine(QString line);

    QString m_boardUrl;
    bool m_rental = false;
    qint64 m_now = 0;
    QString m_rest;
    QString m_separator;
    QVector<ThreadRow> m_rows;
    QSet<QString> m_files; // rental board: file names seen, to spot the repeated line
    bool m_lastRepeats = false;
    bool m_full = false;
};
