#include "threadlist/subjectlist.h"

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
    void boardUrlOf_data();
    void boardUrlOf();
    void threadUrlOf_data();
    void threadUrlOf();
    void powerOf_data();
    void powerOf();
    void rows_data();
    void rows();
    void moreThan9999Rows();
    void cellOrder_data();
    void cellOrder();
};

void TestSubjectList::boardUrlOf_data()
{
    QTest::addColumn<QString>("thread");
    QTest::addColumn<QString>("board");
    QTest::newRow("rental, old host") << "http://jbbs.livedoor.jp/bbs/read.cgi/game/12345/123/"
                                      << "http://jbbs.livedoor.jp/game/12345/";
    // https stays https: the rental board serves its lists over https only.
    QTest::newRow("rental, https") << "https://jbbs.shitaraba.net/bbs/read.cgi/game/12345/123/l50"
                                   << "https://jbbs.shitaraba.net/game/12345/";
    QTest::newRow("rental, part missing") << "http://jbbs.shitaraba.net/bbs/read.cgi/game/"
                                          << "";
    QTest::newRow("2ch-style") << "http://host/test/read.cgi/news/123/"
                               << "http://host/news/";
    QTest::newRow("2ch-style, https, port") << "https://127.0.0.1:8443/test/read.cgi/live/123/l50"
                                            << "https://127.0.0.1:8443/live/";
    // The directory in front of test/read.cgi belongs to the board's address.
    QTest::newRow("2ch-style, prefix") << "http://host/pre/test/read.cgi/news/123/"
                                       << "http://host/pre/news/";
    QTest::newRow("2ch-style, no board") << "http://host/test/read.cgi/"
                                         << "";
}

void TestSubjectList::boardUrlOf()
{
    QFETCH(QString, thread);
    QFETCH(QString, board);
    QCOMPARE(BoardUrlOf(thread), board);
}

void TestSubjectList::threadUrlOf_data()
{
    QTest::addColumn<QString>("board");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("thread");
    QTest::newRow("2ch-style") << "http://host/news/"
                               << "1234567890.dat"
                               << "http://host/test/read.cgi/news/1234567890/";
    QTest::newRow("rental, old host") << "http://jbbs.livedoor.jp/game/12345/"
                                      << "123.cgi"
                                      << "http://jbbs.livedoor.jp/bbs/read.cgi/game/12345/123/";
    QTest::newRow("rental, https") << "https://jbbs.shitaraba.net/game/12345/"
                                   << "123.cgi"
                                   << "https://jbbs.shitaraba.net/bbs/read.cgi/game/12345/123/";
}

void TestSubjectList::threadUrlOf()
{
    QFETCH(QString, board);
    QFETCH(QString, file);
    QFETCH(QString, thread);
    QCOMPARE(ThreadUrlOf(board, file), thread);
}

void TestSubjectList::powerOf_data()
{
    QTest::addColumn<QString>("count");
    QTest::addColumn<qint64>("key");
    QTest::addColumn<QString>("power");
    QTest::newRow("100 posts in 43200 s") << " 100" << kNow - 43200 << "  200.0";
    QTest::newRow("key in the future") << " 123" << kNow + 60 << "?";
    QTest::newRow("count not a number") << "abc" << kNow - 100 << "";
    QTest::newRow("key not a number") << " 100" << qint64(-1) << "";
    QTest::newRow("wider than 7, unpadded") << "1000" << kNow - 1 << "86400000.0";
}

void TestSubjectList::powerOf()
{
    QFETCH(QString, count);
    QFETCH(qint64, key);
    QFETCH(QString, power);
    QCOMPARE(PowerOf(count, key, kNow), power);
}

void TestSubjectList::rows_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("rental");
    QTest::addColumn<QStringList>("rows"); // number|title|posts|rate|address
    QTest::newRow("2ch-style line")
        << "1699956800.dat<>Title (100)\n"
        << false
        << QStringList{"0001|Title | 100|  200.0|http://host/test/read.cgi/news/1699956800/"};
    // No "(": the whole field is the title, posts and rate unknown.
    QTest::newRow("no parenthesis")
        << "1.dat<>括弧なし\n"
        << false << QStringList{"0001|括弧なし|||http://host/test/read.cgi/news/1/"};
    // A line without separator and the text after the last LF give no row.
    QTest::newRow("no separator, no LF") << "2.dat<>a (b) (7)\njunk\n3.dat<>cut" << false
                                         << QStringList{"0001|a (b) |   7|    0.0|"
                                                        "http://host/test/read.cgi/news/2/"};
    QTest::newRow("empty list") << "" << false << QStringList{};
    QTest::newRow("rental, repeated last line")
        << "1.cgi,一つ目(3)\r\n2.cgi,二つ目(1)\r\n1.cgi,一つ目(3)\r\n"
        << true
        << QStringList{"0001|一つ目|   3|    0.0|http://host/test/read.cgi/news/1/",
                       "0002|二つ目|   1|    0.0|http://host/test/read.cgi/news/2/"};
    QTest::newRow("rental, single line") << "1.cgi,一つ目(3)\r\n"
                                         << true
                                         << QStringList{"0001|一つ目|   3|    0.0|"
                                                        "http://host/test/read.cgi/news/1/"};
}

void TestSubjectList::rows()
{
    QFETCH(QString, text);
    QFETCH(bool, rental);
    QFETCH(QStringList, rows);
    QStringList got;
    for (const ThreadRow &r : rowsOf(text, rental))
        got << QStringList{r.Num, r.Title, r.Res, r.Power, r.Url}.join(QLatin1Char('|'));
    QCOMPARE(got, rows);
}

void TestSubjectList::moreThan9999Rows()
{
    const QVector<ThreadRow> rows = rowsOf(QStringLiteral("1.dat<>t (12345)\n").repeated(10000));
    QCOMPARE(rows.size(), 10000);
    QCOMPARE(rows[9998].Num, QStringLiteral("9999"));
    // Too long to pad: the cells keep their text.
    QCOMPARE(rows[9999].Num, QStringLiteral("10000"));
    QCOMPARE(rows[9999].Res, QStringLiteral("12345"));
    // No board keeps this many: the list is cut there.
    QCOMPARE(rowsOf(QStringLiteral("1.dat<>t (1)\n").repeated(SubjectLines::kMaxRows + 5)).size(),
             SubjectLines::kMaxRows);
}

void TestSubjectList::cellOrder_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("smaller");
    QTest::addColumn<QString>("larger");
    QTest::newRow("padded posts") << 2 << "  45"
                                  << " 123";
    QTest::newRow("number past 9999") << 0 << "9999"
                                      << "10000";
    QTest::newRow("posts past 9999") << 2 << "1000"
                                     << "12345";
    QTest::newRow("rates") << 3 << "   15.5"
                           << "  200.0";
    QTest::newRow("rate unknown last") << 3 << "  200.0"
                                       << "?";
    QTest::newRow("titles as texts") << 1 << "10"
                                     << "9";
}

void TestSubjectList::cellOrder()
{
    QFETCH(int, column);
    QFETCH(QString, smaller);
    QFETCH(QString, larger);
    QVERIFY(ThreadCellLess(column, smaller, larger));
    QVERIFY(!ThreadCellLess(column, larger, smaller));
}

QTEST_GUILESS_MAIN(TestSubjectList)
#include "tst_subjectlist.moc"
