#include "threadlist/subjectlist.h"

#include "support/textrows.h"

#include <QtTest>

namespace {

const qint64 kNow = 1700000000;

QVector<ThreadRow> rowsOf(const QString &text, bool rental = false)
{
    SubjectLines lines;
    lines.reset(QStringLiteral("http://host/news/"), rental, kNow);
    // In two pieces, split inside a line, as chunks arrive.
    lines.add(text.left(text.size() / 2));
    lines.add(text.mid(text.size() / 2));
    return lines.finish();
}

} // namespace

class TestSubjectList : public QObject
{
    Q_OBJECT
private slots:
    void addresses_data()
    {
        // BoardUrlOf(thread) == board; ThreadUrlOf(board, file) == thread where file is given.
        static const char *const table[][4] = {
            // https stays https: the rental board serves its lists over https only.
            {"rental, https", "https://jbbs.shitaraba.net/bbs/read.cgi/game/12345/123/",
             "https://jbbs.shitaraba.net/game/12345/", "123.cgi"},
            {"rental, part missing", "http://jbbs.shitaraba.net/bbs/read.cgi/game/", "", ""},
            {"2ch-style", "http://host/test/read.cgi/news/1234567890/", "http://host/news/",
             "1234567890.dat"},
            // The directory in front of test/read.cgi belongs to the board's address.
            {"2ch-style, prefix", "http://host/pre/test/read.cgi/news/123/",
             "http://host/pre/news/", ""},
            {"2ch-style, no board", "http://host/test/read.cgi/", "", ""},
        };
        AddTextRows({"thread", "board", "file"}, table);
    }

    void addresses() // a list asked for on the wrong board, or over http
    {
        QFETCH(QString, thread);
        QFETCH(QString, board);
        QFETCH(QString, file);
        QCOMPARE(BoardUrlOf(thread), board);
        if (!file.isEmpty())
            QCOMPARE(ThreadUrlOf(board, file), thread);
    }

    void rows_data()
    {
        // "r" in front: a rental board's list. Rows: number|title|posts|rate|thread key, by ";".
        static const char *const table[][3] = {
            {"2ch-style line", "1699956800.dat<>Title (100)\n",
             "0001|Title | 100|  200.0|1699956800"},
            // No "(": the whole field is the title, posts and rate unknown.
            {"no parenthesis", "1.dat<>括弧なし\n", "0001|括弧なし|||1"},
            // A line without separator and the text after the last LF give no row.
            {"no separator, no LF", "2.dat<>a (b) (7)\njunk\n3.dat<>cut",
             "0001|a (b) |   7|    0.0|2"},
            {"CR in the file name", "4\r5.dat<>x (1)\n6.dat<>y (2)\n", "0001|y |   2|    0.0|6"},
            {"empty list", "", ""},
            {"rental, repeated last line",
             "r1.cgi,一つ目(3)\r\n2.cgi,二つ目(1)\r\n1.cgi,一つ目(3)\r\n",
             "0001|一つ目|   3|    0.0|1;0002|二つ目|   1|    0.0|2"},
        };
        AddTextRows({"text", "rows"}, table);
    }

    void rows() // a row lost, made of junk, or the rental list's last line doubled
    {
        QFETCH(QString, text);
        QFETCH(QString, rows);
        const bool rental = text.startsWith(QLatin1Char('r'));
        QStringList got;
        for (const ThreadRow &r : rowsOf(rental ? text.mid(1) : text, rental))
            got << QStringList{r.Num, r.Title, r.Res, r.Power, r.Url}.join(QLatin1Char('|'));
        QCOMPARE(got.join(';'), rows.replace(QRegularExpression("\\|(\\d+)(;|$)"),
                                             "|http://host/test/read.cgi/news/\\1/\\2"));
    }

    void moreThan9999Rows() // long lists padded wrongly or unbounded
    {
        const QVector<ThreadRow> rows =
            rowsOf(QStringLiteral("1.dat<>t (12345)\n").repeated(10000));
        QCOMPARE(rows.size(), 10000);
        QCOMPARE(rows[9998].Num, QStringLiteral("9999"));
        // Too long to pad: the cells keep their text.
        QCOMPARE(rows[9999].Num, QStringLiteral("10000"));
        QCOMPARE(rows[9999].Res, QStringLiteral("12345"));
        // No board keeps this many: the list is cut there.
        QCOMPARE(
            rowsOf(QStringLiteral("1.dat<>t (1)\n").repeated(SubjectLines::kMaxRows + 5)).size(),
            SubjectLines::kMaxRows);
    }

    void cellOrder_data()
    {
        // Column, then the smaller and the larger cell.
        static const char *const table[][4] = {
            {"padded posts", "2", "  45", " 123"},      {"number past 9999", "0", "9999", "10000"},
            {"posts past 9999", "2", "1000", "12345"},  {"rates", "3", "   15.5", "  200.0"},
            {"rate unknown last", "3", "  200.0", "?"}, {"titles as texts", "1", "10", "9"},
        };
        AddTextRows({"column", "smaller", "larger"}, table);
    }

    void cellOrder() // padded numbers sorted as texts
    {
        QFETCH(QString, column);
        QFETCH(QString, smaller);
        QFETCH(QString, larger);
        QVERIFY(ThreadCellLess(column.toInt(), smaller, larger));
        QVERIFY(!ThreadCellLess(column.toInt(), larger, smaller));
    }
};

QTEST_GUILESS_MAIN(TestSubjectList)
#include "tst_subjectlist.moc"
