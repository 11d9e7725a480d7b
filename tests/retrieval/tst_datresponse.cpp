#include "platform/codec.h"
#include "retrieval/datresponse.h"
#include "retrieval/threadstate.h"

#include <QtTest>

using Action = DatResponse::Action;

namespace {

const QString kDifferentialFailed =
    QStringLiteral("差分取得に失敗 Ctrlキーを押しながら更新してみてください");

QByteArray sjis(const QString &text)
{
    return Codec::toSjis(text);
}

QByteArray header(const QByteArray &status, qint64 contentLength)
{
    QByteArray h = status + "\r\nContent-Type: text/plain\r\n";
    if (contentLength >= 0)
        h += "Content-Length: " + QByteArray::number(contentLength) + "\r\n";
    return h + "Connection: close\r\n\r\n";
}

const QStringList kLines = {
    QStringLiteral(
        "名無しさん<>sage<>2023/11/15(水) 21:00:00.00 ID:abcdEFGH<> 一番乗り <>実況スレ"),
    QStringLiteral("実況民<>shita red<>2023/11/15(水) 21:00:05.10 ID:ab/cd+ef<> ｷﾀ━(ﾟ∀ﾟ)━! <>"),
    QStringLiteral("名無し<><>2023/11/15(水) 21:00:09.99 ID:zzzz<> &gt;&gt;1 ～①ⅰ <>"),
};

QByteArray body()
{
    return sjis(kLines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

// Feeds the chunks and collects every line handed on, then closes.
struct Run
{
    QStringList lines;
    QList<Action> actions;
    QStringList statuses;
    int batches = 0;
};

Run feedAll(DatResponse &r, ThreadState &state, const QList<QByteArray> &chunks, bool close = true)
{
    Run run;
    for (const QByteArray &c : chunks) {
        const DatResponse::Step s = r.feed(c);
        run.actions << s.action;
        run.statuses << s.status;
        run.lines += s.lines;
        if (!s.lines.isEmpty())
            ++run.batches;
        if (s.action != Action::Wait && s.action != Action::Lines)
            return run;
    }
    if (close) {
        const DatResponse::Step s = r.close(state);
        run.actions << s.action;
        run.statuses << s.status;
        run.lines += s.lines;
        if (!s.lines.isEmpty())
            ++run.batches;
    }
    return run;
}

} // namespace

class TestDatResponse : public QObject
{
    Q_OBJECT
private slots:
    void acceptedStatus_data();
    void acceptedStatus();
    void contentLength_data();
    void contentLength();
    void progress_data();
    void progress();
    void wholeResponseInOneChunk();
    void everySplitGivesTheSameLines_data();
    void everySplitGivesTheSameLines();
    void byteByByte();
    void headerAloneWaits();
    void headerAloneUnacceptedIsRejectedAtOnce();
    void headerAloneWith10_206WaitsThenIsRejected();
    void statusLineOnlyHeader();
    void unacceptedStatus_data();
    void unacceptedStatus();
    void rangeCheckByte();
    void rangeCheckByteMissing();
    void missingOrZeroLength_data();
    void missingOrZeroLength();
    void checkByteOnlyIsNothingNew();
    void interruptedKeepsCompleteLines();
    void interruptedWithoutAnyLf();
    void closeBeforeHeaderKeepsTheCopy();
    void headerAloneThenClose();
    void rentalLinesEndWithCr();
    void rentalLoneCrAtTheEnd();
    void rentalLineBreakForms();
    void rentalHasNoLengthCheck();
    void separator_data();
    void separator();
    void separatorSplitInsideMarker();
    void leadingLfTakenOnce();
    void tooLarge();
    void abandonKeepsCompleteLines();
    void progressCountsTheCheckByte();
};

void TestDatResponse::acceptedStatus_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("1.1 200 OK") << "HTTP/1.1 200 OK" << true;
    QTest::newRow("1.0 200 OK") << "HTTP/1.0 200 OK" << true;
    QTest::newRow("1.0 200") << "HTTP/1.0 200" << true;
    QTest::newRow("1.1 206") << "HTTP/1.1 206 Partial Content" << true;
    QTest::newRow("1.0 206") << "HTTP/1.0 206 Partial Content" << false;
    QTest::newRow("1.1 200") << "HTTP/1.1 200" << false;
    QTest::newRow("other phrase") << "HTTP/1.1 200 Ok" << false;
    QTest::newRow("trailing space") << "HTTP/1.1 200 OK " << false;
    QTest::newRow("416") << "HTTP/1.1 416 Requested Range Not Satisfiable" << false;
    QTest::newRow("404") << "HTTP/1.1 404 Not Found" << false;
    QTest::newRow("302") << "HTTP/1.1 302 Found" << false;
}

void TestDatResponse::acceptedStatus()
{
    QFETCH(QString, line);
    QFETCH(bool, accepted);
    QCOMPARE(DatResponse::isAcceptedStatus(line), accepted);
}

void TestDatResponse::contentLength_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<int>("expected");
    QTest::newRow("last line") << "HTTP/1.1 200 OK\r\nContent-Length: 123\r" << 123;
    QTest::newRow("middle line") << "HTTP/1.1 200 OK\r\nContent-Length: 45\r\nX: 1\r" << 45;
    QTest::newRow("spaces before") << "X\r\nContent-Length:    7\r" << 7;
    QTest::newRow("letters after") << "X\r\nContent-Length: 12abc\r" << 12;
    QTest::newRow("no number") << "X\r\nContent-Length: abc\r" << 0;
    QTest::newRow("absent") << "HTTP/1.1 200 OK\r\nServer: x\r" << 0;
    QTest::newRow("other case") << "X\r\ncontent-length: 5\r" << 0;
    QTest::newRow("no space") << "X\r\nContent-Length:5\r" << 0;
    QTest::newRow("first of two") << "X\r\nContent-Length: 5\r\nContent-Length: 9\r" << 5;
    QTest::newRow("fraction rounds to even") << "X\r\nContent-Length: 2.5\r" << 2;
    QTest::newRow("fraction rounds up") << "X\r\nContent-Length: 3.5\r" << 4;
    QTest::newRow("exponent") << "X\r\nContent-Length: 1e3\r" << 1000;
    QTest::newRow("negative") << "X\r\nContent-Length: -7\r" << -7;
    QTest::newRow("huge") << "X\r\nContent-Length: 99999999999\r" << int(2147483647);
}

void TestDatResponse::contentLength()
{
    QFETCH(QString, header);
    QFETCH(int, expected);
    QCOMPARE(DatResponse::contentLengthOf(header), expected);
}

void TestDatResponse::progress_data()
{
    QTest::addColumn<qint64>("received");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no length") << qint64(1234) << 0 << "受信中 - 1234byte";
    QTest::newRow("half") << qint64(100) << 200 << "受信中 - 50% 100byte";
    QTest::newRow("all") << qint64(200) << 200 << "受信中 - 100% 200byte";
    QTest::newRow("rounded down") << qint64(1) << 3 << "受信中 - 33% 1byte";
    QTest::newRow("half rounds up") << qint64(1) << 8 << "受信中 - 13% 1byte";
    QTest::newRow("zero per cent has no digit") << qint64(4) << 1000 << "受信中 - % 4byte";
    QTest::newRow("no separators") << qint64(1234567) << 2469134 << "受信中 - 50% 1234567byte";
}

void TestDatResponse::progress()
{
    QFETCH(qint64, received);
    QFETCH(int, length);
    QFETCH(QString, expected);
    QCOMPARE(DatResponse::progressText(received, length), expected);
}

void TestDatResponse::wholeResponseInOneChunk()
{
    DatResponse r;
    ThreadState state;
    r.reset(false, false, QStringLiteral("<>"));
    const QByteArray b = body();
    const Run run = feedAll(r, state, {header("HTTP/1.1 200 OK", b.size()) + b});
    QCOMPARE(run.lines, kLines);
    QCOMPARE(run.actions, (QList<Action>{Action::Lines, Action::Finished}));
    QCOMPARE(run.statuses.first(),
             QStringLiteral("受信中 - 100% ") + QString::number(b.size()) + QStringLiteral("byte"));
    QCOMPARE(run.statuses.last(), QStringLiteral("受信終了"));
    QCOMPARE(state.DatBytes, b);
    QCOMPARE(state.DatSize, qint32(b.size()));
    QCOMPARE(r.LineDone(), 3);
    QCOMPARE(r.ContentLength(), qint32(b.size()));
    QCOMPARE(r.RecvSize(), qint64(b.size()));
    QCOMPARE(r.statusLine(), QStringLiteral("HTTP/1.1 200 OK"));
    QVERIFY(r.RecvHeader().endsWith(QLatin1Char('\r')));
}

void TestDatResponse::everySplitGivesTheSameLines_data()
{
    QTest::addColumn<int>("cut");
    const QByteArray whole = header("HTTP/1.1 200 OK", body().size()) + body();
    for (int cut = 1; cut < whole.size(); ++cut)
        QTest::addRow("%d", cut) << cut;
}

void TestDatResponse::everySplitGivesTheSameLines()
{
    QFETCH(int, cut);
    const QByteArray b = body();
    const QByteArray whole = header("HTTP/1.1 200 OK", b.size()) + b;
    DatResponse r;
    ThreadState state;
    r.reset(false, false, QStringLiteral("<>"));
    const Run run = feedAll(r, state, {whole.left(cut), whole.mid(cut)});
    QCOMPARE(run.lines, kLines);
    QCOMPARE(run.actions.last(), Action::Finished);
    QCOMPARE(state.DatBytes, b);
}

void TestDatResponse::byteByByte()
{
    const QByteArray b = body();
    const QByteArray whole = header("HTTP/1.1 200 OK", b.size()) + b;
    QList<QByteArray> chunks;
    for (char c : whole)
        chunks << QByteArray(1, c);
    DatResponse r;
    ThreadState state;
    r.reset(false, false, QStringLiteral("<>"));
    const Run run = feedAll(r, state, chunks);
    QCOMPARE(run.lines, kLines);
    QCOMPARE(run.batches, 3); // one line per chunk that completes it
    QCOMPARE(run.statuses.last(), QStringLiteral("受信終了"));
    QCOMPARE(r.RecvSize(), qint64(b.size()));
}

void TestDatResponse::headerAloneWaits()
{
    DatResponse r;
    ThreadState state;
    r.reset(false, false, QStringLiteral("<>"));
    const QByteArray b = body();
    const DatResponse::Step first = r.feed(header("HTTP/1.1 200 OK", b.size()));
    QCOMPARE(first.action, Action::Wait);
    QVERIFY(first.status.isEmpty());
    QVERIFY(r.HeaderWait());
    QVERIFY(!r.HeaderDone());
    const DatResponse::Step second = r.feed(b);
    QCOMPARE(second.action, Action::Lines);
    QVERIFY(!r.HeaderWait());
    QCOMPARE(second.lines, kLines);
    QCOMPARE(r.close(state).action, Action::Finished);
}

void TestDatResponse::headerAloneUnacceptedIsRejectedAtOnce()
{
    DatResponse r;
    r.reset(false, true, QStringLiteral("<>"));
    const DatResponse::Step s = r.feed(header("HTTP/1.1 404 Not Found", 10));
    QCOMPARE(s.action, Action::Rejected);
    QCOMPARE(s.status, QStringLiteral("HTTP/1.1 404 Not Found"));
}

void TestDatResponse::headerAloneWith10_206WaitsThenIsRejected()
{
    DatResponse r;
    r.reset(false, true, QStringLiteral("<>"));
    QCOMPARE(r.feed(header("HTTP/1.0 206 Partial Content", 3)).action, Action::Wait);
    const DatResponse::Step s = r.feed("\nab");
    QCOMPARE(s.action, Action::Rejected);
    QCOMPARE(s.status, QStringLiteral("HTTP/1.0 206 Partial Content"));
}

void TestDatResponse::statusLineOnlyHeader()
{
    // Rental board: no length is needed, so the body is read like any other.
    DatResponse r;
    ThreadState state;
    r.reset(true, false, QStringLiteral("<>"));
    const QByteArray euc = Codec::toEuc(QStringLiteral("1<>名前<>sage<>日付<>本文<>題<>abc\n"));
    const Run run = feedAll(r, state, {QByteArray("HTTP/1.0 200 OK\r\n\r\n") + euc});
    QCOMPARE(r.statusLine(), QStringLiteral("HTTP/1.0 200 OK"));
    QCOMPARE(run.lines, QStringList{QStringLiteral("1<>名前<>sage<>日付<>本文<>題<>abc\r")});
    QCOMPARE(run.statuses.last(), QStringLiteral("受信終了"));

    // 2channel-style: the same header has no length, which fails the differential check.
    DatResponse r2;
    r2.reset(false, false, QStringLiteral("<>"));
    const DatResponse::Step s = r2.feed(QByteArray("HTTP/1.0 200\r\n\r\n") + body());
    QCOMPARE(r2.statusLine(), QStringLiteral("HTTP/1.0 200"));
    QCOMPARE(s.action, Action::DifferentialFailed);
}

void TestDatResponse::unacceptedStatus_data()
{
    QTest::addColumn<QByteArray>("status");
    QTest::newRow("416") << QByteArray("HTTP/1.1 416 Requested Range Not Satisfiable");
    QTest::newRow("1.0 206") << QByteArray("HTTP/1.0 206 Partial Content");
    QTest::newRow("phrase") << QByteArray("HTTP/1.1 200 Ok");
    QTest::newRow("503") << QByteArray("HTTP/1.1 503 Service Unavailable");
}

void TestDatResponse::unacceptedStatus()
{
    QFETCH(QByteArray, status);
    DatResponse r;
    r.reset(false, false, QStringLiteral("<>"));
    const QByteArray b = body();
    const DatResponse::Step s = r.feed(header(status, b.size()) + b);
    QCOMPARE(s.action, Action::Rejected);
    QCOMPARE(s.status, QString::fromLatin1(status));
    QVERIFY(s.lines.isEmpty());
}

void TestDatResponse::rangeCheckByte()
{
    DatResponse r;
    ThreadState state;
    state.DatBytes = body();
    state.DatSize = qint32(state.DatBytes.size());
    r.reset(false, true, QStringLiteral("<>"));
    QVERIFY(r.RangeRequest());
    QVERIFY(r.LfCheck());
    const QByteArray added = sjis(QStringLiteral("新<>sage<>d ID:x<> 新着 <>\n"));
    const QByteArray b = "\n" + added;
    const Run run = feedAll(r, state, {header("HTTP/1.1 206 Partial Content", b.size()) + b});
    QVERIFY(!r.LfCheck());
    QCOMPARE(run.lines, QStringList{QStringLiteral("新<>sage<>d ID:x<> 新着 <>")});
    QCOMPARE(run.statuses.last(), QStringLiteral("受信終了"));
    QCOMPARE(state.DatBytes, body() + added);
    QCOMPARE(state.DatSize, qint32((body() + added).size()));
}

void TestDatResponse::rangeCheckByteMissing()
{
    DatResponse r;
    r.reset(false, true, QStringLiteral("<>"));
    // The check byte arrives on its own chunk after the header: still checked.
    QCOMPARE(r.feed(header("HTTP/1.1 206 Partial Content", 5)).action, Action::Wait);
    const DatResponse::Step s = r.feed("x<>y\n");
    QCOMPARE(s.action, Action::DifferentialFailed);
    QCOMPARE(s.status, kDifferentialFailed);
    QVERIFY(s.lines.isEmpty());
}

void TestDatResponse::missingOrZeroLength_data()
{
    QTest::addColumn<qint64>("length");
    QTest::newRow("absent") << qint64(-1);
    QTest::newRow("zero") << qint64(0);
}

void TestDatResponse::missingOrZeroLength()
{
    QFETCH(qint64, length);
    DatResponse r;
    r.reset(false, false, QStringLiteral("<>"));
    const DatResponse::Step s = r.feed(header("HTTP/1.1 200 OK", length) + body());
    QCOMPARE(s.action, Action::DifferentialFailed);
    QCOMPARE(s.status, kDifferentialFailed);
}

void TestDatResponse::checkByteOnlyIsNothingNew()
{
    DatResponse r;
    ThreadState state;
    state.DatBytes = body();
    state.DatSize = qint32(state.DatBytes.size());
    r.reset(false, true, QStringLiteral("<>"));
    const Run run = feedAll(r, state, {header("HTTP/1.1 206 Partial Content", 1) + "\n"});
    QVERIFY(run.lines.isEmpty());
    QCOMPARE(run.statuses.last(), QStringLiteral("受信終了"));
    QCOMPARE(state.DatBytes, body());
    QCOMPARE(state.DatSize, qint32(body().size()));
}

void TestDatResponse::interruptedKeepsCompleteLines()
{
    DatResponse r;
    ThreadState state;
    r.reset(false, false, QStringLiteral("<>"));
    const QByteArray b = body();
    const qsizetype cut = b.size() - 10; // inside the last line
    const Run run = feedAll(r, state, {header("HTTP/1.1 200 OK", b.size()) + b.left(cut)});
    QCOMPARE(run.lines, kLines.mid(0, 2));
    QCOMPARE(run.actions.last(), Action::Interrupted);
    QCOMPARE(run.statuses.last(), QStringLiteral("受信が中断されました"));
    const QByteArray kept = b.left(b.lastIndexOf('\n', cut) + 1);
    QCOMPARE(state.DatBytes, kept);
    QCOMPARE(state.DatSize, qint32(kept.size()));
    QVERIFY(state.DatBytes.endsWith('\n'));
}

void TestDatResponse::interruptedWithoutAnyLf()
{
    DatResponse r;
    ThreadState state;
    r.reset(false, false, QStringLiteral("<>"));
    const Run run = feedAll(r, state, {header("HTTP/1.1 200 OK", 100) + "abc<>def"});
    QVERIFY(run.lines.isEmpty());
    QCOMPARE(run.statuses.last(), QStringLiteral("受信が中断されました"));
    QVERIFY(state.DatBytes.isEmpty());
    QCOMPARE(state.DatSize, 0);
}

void TestDatResponse::closeBeforeHeaderKeepsTheCopy()
{
    DatResponse r;
    ThreadState state;
    state.DatBytes = body();
    state.DatSize = qint32(state.DatBytes.size());
    r.reset(false, true, QStringLiteral("<>"));
    const Run run = feedAll(r, state, {"HTTP/1.1 206 Partial Content\r\nContent-Len"});
    QCOMPARE(run.actions.last(), Action::Interrupted);
    QCOMPARE(run.statuses.last(), QStringLiteral("受信が中断されました"));
    QCOMPARE(state.DatBytes, body());
    QCOMPARE(state.DatSize, qint32(body().size()));
}

void TestDatResponse::headerAloneThenClose()
{
    // A rental board with no new post answers with the header only.
    DatResponse r;
    ThreadState state;
    r.reset(true, false, QStringLiteral("<>"));
    const Run run = feedAll(r, state, {header("HTTP/1.1 200 OK", -1)});
    QCOMPARE(run.actions, (QList<Action>{Action::Wait, Action::Finished}));
    QVERIFY(run.lines.isEmpty());
    QCOMPARE(run.statuses.last(), QStringLiteral("受信終了"));
    QVERIFY(state.DatBytes.isEmpty());

    // A Range answer whose body never came joins nothing to the copy.
    DatResponse r2;
    ThreadState state2;
    state2.DatBytes = body();
    state2.DatSize = qint32(body().size());
    r2.reset(false, true, QStringLiteral("<>"));
    const Run run2 = feedAll(r2, state2, {header("HTTP/1.1 206 Partial Content", 1)});
    QCOMPARE(run2.actions.last(), Action::Interrupted);
    QCOMPARE(state2.DatBytes, body());

    // An unaccepted status that came alone and waited is still shown.
    DatResponse r3;
    ThreadState state3;
    r3.reset(false, false, QStringLiteral("<>"));
    const Run run3 = feedAll(r3, state3, {header("HTTP/1.0 206 Partial Content", 0)});
    QCOMPARE(run3.actions.last(), Action::Rejected);
    QCOMPARE(run3.statuses.last(), QStringLiteral("HTTP/1.0 206 Partial Content"));
    QVERIFY(state3.DatBytes.isEmpty());
}

void TestDatResponse::rentalLinesEndWithCr()
{
    const QStringList posts = {
        QStringLiteral("1<>名無しさん<>sage<>2007/01/01(月) 12:00:00<>こんにちは ｶﾀｶﾅ<>題名<>abc"),
        QStringLiteral("2<>漢字太郎<><>2007/01/01(月) 12:00:05<>二行目 <br> です<><>xyz"),
    };
    const QByteArray euc = Codec::toEuc(posts.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    const QByteArray whole = header("HTTP/1.1 200 OK", -1) + euc;
    for (int cut = 1; cut < whole.size(); ++cut) {
        DatResponse r;
        ThreadState state;
        r.reset(true, false, QStringLiteral("<>"));
        const Run run = feedAll(r, state, {whole.left(cut), whole.mid(cut)});
        QCOMPARE(run.lines,
                 (QStringList{posts[0] + QLatin1Char('\r'), posts[1] + QLatin1Char('\r')}));
        QCOMPARE(run.statuses.last(), QStringLiteral("受信終了"));
    }
}

void TestDatResponse::rentalLoneCrAtTheEnd()
{
    DatResponse r;
    ThreadState state;
    r.reset(true, false, QStringLiteral("<>"));
    const QByteArray euc = Codec::toEuc(QStringLiteral("1<>a<>b<>c<>d<>e<>f\r"));
    const DatResponse::Step s = r.feed(header("HTTP/1.1 200 OK", -1) + euc);
    // The CR may still be followed by a LF: the line waits for the next byte or the close.
    QVERIFY(s.lines.isEmpty());
    const DatResponse::Step end = r.close(state);
    QCOMPARE(end.lines, QStringList{QStringLiteral("1<>a<>b<>c<>d<>e<>f\r")});
}

void TestDatResponse::rentalLineBreakForms()
{
    // LF, CR LF and a lone CR all end a line, which then ends with CR.
    const QByteArray euc = Codec::toEuc(QStringLiteral("1<>かな<>漢字<>ｶﾅ\n2<>b\r\n3<>c\r4<>d\n"));
    DatResponse r;
    ThreadState state;
    r.reset(true, false, QStringLiteral("<>"));
    const Run run = feedAll(r, state, {header("HTTP/1.1 200 OK", -1) + euc});
    QCOMPARE(run.lines,
             (QStringList{QStringLiteral("1<>かな<>漢字<>ｶﾅ\r"), QStringLiteral("2<>b\r"),
                          QStringLiteral("3<>c\r"), QStringLiteral("4<>d\r")}));
}

void TestDatResponse::rentalHasNoLengthCheck()
{
    DatResponse r;
    ThreadState state;
    r.reset(true, false, QStringLiteral("<>"));
    const QByteArray euc = Codec::toEuc(QStringLiteral("1<>a<>b<>c<>d<>e<>f\n"));
    // Even a wrong length does not matter on the rental board.
    const Run run = feedAll(r, state, {header("HTTP/1.1 200 OK", 999) + euc});
    QCOMPARE(run.statuses.first(),
             QStringLiteral("受信中 - 2% ") + QString::number(euc.size()) + QStringLiteral("byte"));
    QCOMPARE(run.statuses.last(), QStringLiteral("受信終了"));
}

void TestDatResponse::separator_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("angle") << "a<>b<>c<>d<>e\n"
                           << "<>";
    QTest::newRow("comma") << "a,b,c,d,e\n"
                           << ",";
    QTest::newRow("angle in a later line") << "a,b\nc<>d\n"
                                           << "<>";
}

void TestDatResponse::separator()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    DatResponse r;
    // The kept separator of an earlier response does not decide this one.
    r.reset(false, false,
            expected == QLatin1String(",") ? QStringLiteral("<>") : QStringLiteral(","));
    const QByteArray b = sjis(text);
    const DatResponse::Step s = r.feed(header("HTTP/1.1 200 OK", b.size()) + b);
    QCOMPARE(s.separator, expected);
    QCOMPARE(r.DatSeparator(), expected);
}

void TestDatResponse::separatorSplitInsideMarker()
{
    DatResponse r;
    r.reset(false, false, QStringLiteral(","));
    const QByteArray b = sjis(QStringLiteral("name<>mail<>date<>msg<>title\n"));
    const QByteArray whole = header("HTTP/1.1 200 OK", b.size()) + b;
    const qsizetype cut = whole.indexOf("<>") + 1;
    const DatResponse::Step first = r.feed(whole.left(cut));
    QVERIFY(first.lines.isEmpty());
    const DatResponse::Step second = r.feed(whole.mid(cut));
    QCOMPARE(second.separator, QStringLiteral("<>"));
}

void TestDatResponse::leadingLfTakenOnce()
{
    DatResponse r;
    ThreadState state;
    r.reset(false, false, QStringLiteral("<>"));
    const QByteArray b("\n\nA<>x\nB<>y\n");
    const QByteArray whole = header("HTTP/1.1 200 OK", b.size()) + b;
    const qsizetype bodyStart = whole.size() - b.size();
    // Chunks that each start with a LF once the front is cut: no line may be lost.
    const Run run = feedAll(r, state, {whole.left(bodyStart + 2), whole.mid(bodyStart + 2)});
    QCOMPARE(run.lines, (QStringList{QString(), QStringLiteral("A<>x"), QStringLiteral("B<>y")}));
    QCOMPARE(state.DatBytes, b.mid(1));
}

void TestDatResponse::tooLarge()
{
    DatResponse r;
    ThreadState state;
    r.setLimit(200);
    r.reset(false, false, QStringLiteral("<>"));
    QCOMPARE(r.feed(header("HTTP/1.1 200 OK", 1000)).action, Action::Wait);
    const DatResponse::Step first = r.feed(QByteArray(40, 'a') + "\n" + QByteArray(20, 'b'));
    QCOMPARE(first.lines, QStringList{QString(40, QLatin1Char('a'))});
    const DatResponse::Step big = r.feed(QByteArray(200, 'c'));
    QCOMPARE(big.action, Action::TooLarge);
    QVERIFY(big.status.contains(QStringLiteral("大きすぎる")));
    const DatResponse::Step end = r.abandon(state, big.status);
    QCOMPARE(end.action, Action::Interrupted);
    QCOMPARE(state.DatBytes, QByteArray(40, 'a') + "\n");
}

void TestDatResponse::abandonKeepsCompleteLines()
{
    DatResponse r;
    ThreadState state;
    state.DatBytes = "old\n";
    state.DatSize = 4;
    r.reset(false, true, QStringLiteral("<>"));
    const DatResponse::Step s =
        r.feed(header("HTTP/1.1 206 Partial Content", 100) + "\nnew1\nnew2\npart");
    QCOMPARE(s.lines, (QStringList{QStringLiteral("new1"), QStringLiteral("new2")}));
    const DatResponse::Step end = r.abandon(state, QStringLiteral("通信エラー"));
    QCOMPARE(end.status, QStringLiteral("通信エラー"));
    QVERIFY(end.lines.isEmpty());
    QCOMPARE(state.DatBytes, QByteArray("old\nnew1\nnew2\n"));
    QCOMPARE(state.DatSize, 14);
}

void TestDatResponse::progressCountsTheCheckByte()
{
    DatResponse r;
    r.reset(false, true, QStringLiteral("<>"));
    QCOMPARE(r.feed(header("HTTP/1.1 206 Partial Content", 10)).action, Action::Wait);
    const DatResponse::Step s = r.feed("\nabcd");
    QCOMPARE(s.status, QStringLiteral("受信中 - 50% 5byte"));
}

QTEST_GUILESS_MAIN(TestDatResponse)
#include "tst_datresponse.moc"
