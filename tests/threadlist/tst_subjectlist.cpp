#include "threadlist/subjectlist.h"

#include <QtTest>

namespace {

const qint64 kNow = 1700000000;

QVector<ThreadRow> rowsOf(const QStringList &chunks, bool rental = false,
                          const QString &board = QStringLiteral("http://host/news/"))
{
    SubjectLines lines;
    lines.reset(board, rental, kNow);
    for (const QString &chunk : chunks)
        lines.add(chunk);
    return lines.finish();
}

QStringList column(const QVector<ThreadRow> &rows, QString ThreadRow::*cell)
{
    QStringList texts;
    for (const ThreadRow &row : rows)
        texts << row.*cell;
    return texts;
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
    void padAndBetween();
    void rowOfALine();
    void linesSplitAcrossChunks();
    void oddLines();
    void rentalRepeatedLastLine();
    void moreThan9999Rows();
    void rowLimit();
    void cellOrder_data();
    void cellOrder();
};

void TestSubjectList::boardUrlOf_data()
{
    QTest::addColumn<QString>("thread");
    QTest::addColumn<QString>("board");
    QTest::newRow("rental, old host")
        << "http://jbbs.livedoor.jp/bbs/read.cgi/game/12345/1234567890/"
        << "http://jbbs.livedoor.jp/game/12345/";
    // https stays https: the rental board serves its lists over https only.
    QTest::newRow("rental, new host, https")
        << "https://jbbs.shitaraba.net/bbs/read.cgi/game/12345/1234567890/l50"
        << "https://jbbs.shitaraba.net/game/12345/";
    QTest::newRow("rental, no board number") << "http://jbbs.shitaraba.net/bbs/read.cgi/game/"
                                             << "";
    QTest::newRow("2ch-style") << "http://host/test/read.cgi/news/1234567890/"
                               << "http://host/news/";
    QTest::newRow("2ch-style, https with port")
        << "https://127.0.0.1:8443/test/read.cgi/live/1234567890/l50"
        << "https://127.0.0.1:8443/live/";
    // The directory in front of test/read.cgi belongs to the board's address.
    QTest::newRow("2ch-style, prefix") << "http://host/pre/test/read.cgi/news/1234567890/"
                                       << "http://host/pre/news/";
    QTest::newRow("2ch-style, no board") << "http://host/test/read.cgi/"
                                         << "";
    QTest::newRow("query form") << "http://host/test/read.cgi?bbs=news&key=1"
                                << "";
    QTest::newRow("no thread address") << "http://"
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
    QTest::newRow("2ch-style, https, prefix")
        << "https://host:8443/pre/news/"
        << "1234567890.dat"
        << "https://host:8443/pre/test/read.cgi/news/1234567890/";
    QTest::newRow("rental, old host") << "http://jbbs.livedoor.jp/game/12345/"
                                      << "1234567890.cgi"
                                      << "http://jbbs.livedoor.jp/bbs/read.cgi/game/12345/"
                                         "1234567890/";
    QTest::newRow("rental, new host, https")
        << "https://jbbs.shitaraba.net/game/12345/"
        << "1234567890.cgi"
        << "https://jbbs.shitaraba.net/bbs/read.cgi/game/12345/1234567890/";
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
    QTest::newRow("one decimal") << "   7" << kNow - 86400 * 3 << "    2.3";
    QTest::newRow("key in the future") << " 123" << kNow + 60 << "?";
    QTest::newRow("key is now") << " 123" << kNow << "?";
    QTest::newRow("count not a number") << "abc" << kNow - 100 << "";
    QTest::newRow("no count") << "" << kNow - 100 << "";
    QTest::newRow("key not a number") << " 100" << qint64(-1) << "";
    // Wider than 7: left as it is.
    QTest::newRow("1000 posts in a second") << "1000" << kNow - 1 << "86400000.0";
}

void TestSubjectList::powerOf()
{
    QFETCH(QString, count);
    QFETCH(qint64, key);
    QFETCH(QString, power);
    QCOMPARE(PowerOf(count, key, kNow), power);
}

void TestSubjectList::padAndBetween()
{
    QCOMPARE(PadText(QStringLiteral("1"), 4, QLatin1Char('0')), QStringLiteral("0001"));
    QCOMPARE(PadText(QStringLiteral("12345"), 4, QLatin1Char(' ')), QStringLiteral("12345"));
    QCOMPARE(
        TextBetweenLast(QStringLiteral("a (b) (12)"), QStringLiteral("("), QStringLiteral(")")),
        QStringLiteral("12"));
    QCOMPARE(TextBetweenLast(QStringLiteral("no count"), QStringLiteral("("), QStringLiteral(")")),
             QString());
    QCOMPARE(ThreadKeyOf(QStringLiteral("1234567890.dat")), qint64(1234567890));
    QCOMPARE(ThreadKeyOf(QStringLiteral("abc.dat")), qint64(-1));
}

void TestSubjectList::rowOfALine()
{
    const QVector<ThreadRow> rows = rowsOf({QStringLiteral("1234567890.dat<>Title (123)\n")});
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].Num, QStringLiteral("0001"));
    QCOMPARE(rows[0].Title, QStringLiteral("Title "));
    QCOMPARE(rows[0].Res, QStringLiteral(" 123"));
    // 123 posts in 465,432,110 s.
    QCOMPARE(rows[0].Power, QStringLiteral("    0.0"));
    QCOMPARE(rows[0].Url, QStringLiteral("http://host/test/read.cgi/news/1234567890/"));
}

void TestSubjectList::linesSplitAcrossChunks()
{
    const QVector<ThreadRow> rows = rowsOf(
        {QStringLiteral("1699956800.dat<>一つ目 (1"), QStringLiteral("00)\n1699"),
         QStringLiteral("913600.dat<>二つ目 (5)\n"), QStringLiteral("1699000000.dat<>途中")});
    // The text after the final LF is no row.
    QCOMPARE(column(rows, &ThreadRow::Title), (QStringList{"一つ目 ", "二つ目 "}));
    QCOMPARE(column(rows, &ThreadRow::Power), (QStringList{"  200.0", "    5.0"}));
}

void TestSubjectList::oddLines()
{
    const QVector<ThreadRow> rows = rowsOf(
        {QStringLiteral("1.dat<>括弧なし\nno separator\n2.dat<>a (b) (c)\n3.dat<>x (9) <>more\n")});
    // No "(": the whole field is the title, the count and the rate are unknown.
    QCOMPARE(column(rows, &ThreadRow::Title), (QStringList{"括弧なし", "a (b) ", "x "}));
    QCOMPARE(column(rows, &ThreadRow::Res), (QStringList{"", "   c", "   9"}));
    QCOMPARE(column(rows, &ThreadRow::Power), (QStringList{"", "", "    0.0"}));
    // A line without separator gives no row; the numbers stay consecutive.
    QCOMPARE(column(rows, &ThreadRow::Num), (QStringList{"0001", "0002", "0003"}));
    QVERIFY(rowsOf({QString()}).isEmpty());
    QVERIFY(rowsOf({QStringLiteral("\n\n")}).isEmpty());
}

void TestSubjectList::rentalRepeatedLastLine()
{
    const QString board = QStringLiteral("https://jbbs.shitaraba.net/game/1/");
    const QVector<ThreadRow> rows =
        rowsOf({QStringLiteral("111.cgi,一つ目(3)\r\n222.cgi,二つ目(1)\r\n111.cgi,一つ目(3)\r\n")},
               true, board);
    QCOMPARE(column(rows, &ThreadRow::file), (QStringList{"111.cgi", "222.cgi"}));
    QCOMPARE(rows[0].Title, QStringLiteral("一つ目"));
    QCOMPARE(rows[0].Res, QStringLiteral("   3"));
    QCOMPARE(rows[1].Url, QStringLiteral("https://jbbs.shitaraba.net/bbs/read.cgi/game/1/222/"));
    // A single line stays, and so does a last line that repeats nothing.
    QCOMPARE(rowsOf({QStringLiteral("111.cgi,一つ目(3)\r\n")}, true, board).size(), 1);
    QCOMPARE(rowsOf({QStringLiteral("1.cgi,a(3)\r\n2.cgi,b(1)\r\n")}, true, board).size(), 2);
    // The 2channel-style list has no repeated line.
    QCOMPARE(rowsOf({QStringLiteral("1.dat<>a (1)\n1.dat<>a (1)\n")}).size(), 2);
}

void TestSubjectList::moreThan9999Rows()
{
    QString text;
    for (int i = 0; i < 10000; ++i)
        text += QStringLiteral("1600000000.dat<>t (12345)\n");
    const QVector<ThreadRow> rows = rowsOf({text});
    QCOMPARE(rows.size(), 10000);
    QCOMPARE(rows[9998].Num, QStringLiteral("9999"));
    // Too long to pad: the cell keeps its text.
    QCOMPARE(rows[9999].Num, QStringLiteral("10000"));
    QCOMPARE(rows[9999].Res, QStringLiteral("12345"));
}

void TestSubjectList::rowLimit()
{
    SubjectLines lines;
    lines.reset(QStringLiteral("http://host/b/"), false, kNow);
    const QString line = QStringLiteral("1.dat<>t (1)\n");
    QVERIFY(lines.add(line.repeated(SubjectLines::kMaxRows - 1)));
    QVERIFY(!lines.add(line.repeated(2)));
    QVERIFY(!lines.add(line));
    QCOMPARE(lines.finish().size(), SubjectLines::kMaxRows);
}

void TestSubjectList::cellOrder_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("smaller");
    QTest::addColumn<QString>("larger");
    QTest::newRow("numbers") << 0 << "0009"
                             << "0010";
    QTest::newRow("past 9999") << 0 << "9999"
                               << "10000";
    QTest::newRow("posts") << 2 << "  45"
                           << " 123";
    QTest::newRow("posts past 9999") << 2 << "1000"
                                     << "12345";
    QTest::newRow("rates") << 3 << "   15.5"
                           << "  200.0";
    QTest::newRow("wide rate") << 3 << "99999.9"
                               << "100000.0";
    QTest::newRow("rate unknown") << 3 << "  200.0"
                                  << "?";
    QTest::newRow("no rate") << 3 << ""
                             << "    0.0";
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
