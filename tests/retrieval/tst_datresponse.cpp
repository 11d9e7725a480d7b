#include "platform/codec.h"
#include "retrieval/datresponse.h"
#include "retrieval/threadstate.h"

#include <QtTest>

using Action = DatResponse::Action;

namespace {

const QString kDifferentialFailed =
    QStringLiteral("差分取得に失敗 Ctrlキーを押しながら更新してみてください");
const QString kInterrupted = QStringLiteral("受信が中断されました");
const QString kFinished = QStringLiteral("受信終了");

QByteArray header(const QByteArray &status, qint64 contentLength)
{
    QByteArray h = status + "\r\nContent-Type: text/plain\r\n";
    if (contentLength >= 0)
        h += "Content-Length: " + QByteArray::number(contentLength) + "\r\n";
    return h + "Connection: close\r\n\r\n";
}

QByteArray ok(const QByteArray &body)
{
    return header("HTTP/1.1 200 OK", body.size()) + body;
}

const QStringList kLines = {
    QStringLiteral(
        "名無しさん<>sage<>2023/11/15(水) 21:00:00.00 ID:abcdEFGH<> 一番乗り <>実況スレ"),
    QStringLiteral("実況民<>shita red<>2023/11/15(水) 21:00:05.10 ID:ab/cd+ef<> ｷﾀ━(ﾟ∀ﾟ)━! <>"),
    QStringLiteral("名無し<><>2023/11/15(水) 21:00:09.99 ID:zzzz<> &gt;&gt;1 ～①ⅰ <>"),
};

QByteArray body()
{
    return Codec::toSjis(kLines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

// What a run of chunks (and the close that follows) handed on.
struct Run
{
    QStringList lines;
    QList<Action> actions;
    QStringList statuses;
};

// One response being received, with the local copy it extends.
struct Receive
{
    explicit Receive(bool rental = false, bool range = false, const QByteArray &copy = QByteArray(),
                     const QString &separator = QStringLiteral("<>"))
    {
        state.DatBytes = copy;
        state.DatSize = qint32(copy.size());
        r.reset(rental, range, separator, range && !copy.isEmpty() ? copy.size() - 1 : -1, copy);
    }

    // Feeds the chunks until one ends the response, then closes unless told not to.
    Run all(const QList<QByteArray> &chunks, bool close = true)
    {
        Run run;
        const auto take = [&run](const DatResponse::Step &s) {
            run.actions << s.action;
            run.statuses << s.status;
            run.lines += s.lines;
        };
        for (const QByteArray &c : chunks) {
            const DatResponse::Step s = r.feed(c);
            take(s);
            if (s.action != Action::Wait && s.action != Action::Lines)
                return run;
        }
        if (close)
            take(r.close(state));
        return run;
    }

    DatResponse r;
    ThreadState state;
};

} // namespace

class TestDatResponse : public QObject
{
    Q_OBJECT
private slots:
    void acceptedStatus_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("1.1 200 OK") << "HTTP/1.1 200 OK" << true;
        QTest::newRow("1.0 200") << "HTTP/1.0 200" << true;
        QTest::newRow("1.1 206") << "HTTP/1.1 206 Partial Content" << true;
        QTest::newRow("1.0 206") << "HTTP/1.0 206 Partial Content" << false;
        QTest::newRow("1.1 200") << "HTTP/1.1 200" << false;
        QTest::newRow("other phrase") << "HTTP/1.1 200 Ok" << false;
        QTest::newRow("trailing space") << "HTTP/1.1 200 OK " << false;
        QTest::newRow("404") << "HTTP/1.1 404 Not Found" << false;
    }

    void acceptedStatus()
    {
        QFETCH(QString, line);
        QFETCH(bool, accepted);
        QCOMPARE(DatResponse::isAcceptedStatus(line), accepted);
    }

    void contentLength_data()
    {
        QTest::addColumn<QString>("header");
        QTest::addColumn<int>("expected");
        QTest::newRow("last line") << "HTTP/1.1 200 OK\r\nContent-Length: 123\r" << 123;
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

    void contentLength()
    {
        QFETCH(QString, header);
        QFETCH(int, expected);
        QCOMPARE(DatResponse::contentLengthOf(header), expected);
    }

    void everySplitGivesTheSameLines_data()
    {
        QTest::addColumn<int>("cut");
        for (int cut = 1; cut < ok(body()).size(); ++cut)
            QTest::addRow("%d", cut) << cut;
    }

    void everySplitGivesTheSameLines()
    {
        QFETCH(int, cut);
        const QByteArray whole = ok(body());
        // The kept separator of an earlier thread; this one's marker may be cut in two.
        Receive in(false, false, QByteArray(), QStringLiteral(","));
        const Run run = in.all({whole.left(cut), whole.mid(cut)});
        QCOMPARE(run.lines, kLines);
        QCOMPARE(in.r.DatSeparator(), QStringLiteral("<>"));
        QCOMPARE(run.actions.last(), Action::Finished);
        QCOMPARE(in.state.DatBytes, body());
    }

    void headerAloneWithUnacceptedStatus_data()
    {
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<bool>("waits");
        QTest::newRow("404: at once") << QByteArray("HTTP/1.1 404 Not Found") << false;
        // A status that only fails the exact comparison is judged with the body.
        QTest::newRow("1.0 206: with the body")
            << QByteArray("HTTP/1.0 206 Partial Content") << true;
    }

    void headerAloneWithUnacceptedStatus()
    {
        QFETCH(QByteArray, status);
        QFETCH(bool, waits);
        Receive in(false, true);
        DatResponse::Step s = in.r.feed(header(status, 3));
        if (waits) {
            QCOMPARE(s.action, Action::Wait);
            s = in.r.feed("\nab");
        }
        QCOMPARE(s.action, Action::Rejected);
        QCOMPARE(s.status, QString::fromLatin1(status));

        // One that came alone and never got a body is still shown at the close.
        Receive closed;
        const Run run = closed.all({header(status, 0)});
        QCOMPARE(run.actions.last(), Action::Rejected);
        QCOMPARE(run.statuses.last(), QString::fromLatin1(status));
        QVERIFY(closed.state.DatBytes.isEmpty());
    }

    void rangeCheckByteMissing()
    {
        Receive in(false, true);
        // The check byte arrives on its own chunk after the header: still checked.
        QCOMPARE(in.r.feed(header("HTTP/1.1 206 Partial Content", 5)).action, Action::Wait);
        const DatResponse::Step s = in.r.feed("x<>y\n");
        QCOMPARE(s.action, Action::DifferentialFailed);
        QCOMPARE(s.status, kDifferentialFailed);
        QVERIFY(s.lines.isEmpty());
        // A length of 0 fails like a missing one.
        Receive zero;
        QCOMPARE(zero.r.feed(header("HTTP/1.1 200 OK", 0) + body()).action,
                 Action::DifferentialFailed);
    }

    void closedEarly_data()
    {
        QTest::addColumn<bool>("rental");
        QTest::addColumn<QByteArray>("copy");
        QTest::addColumn<QByteArray>("chunk");
        QTest::addColumn<Action>("end");
        QTest::newRow("no LF at all")
            << false << QByteArray() << header("HTTP/1.1 200 OK", 100) + "abc<>def"
            << Action::Interrupted;
        QTest::newRow("inside the header")
            << false << body() << QByteArray("HTTP/1.1 206 Partial Content\r\nContent-Len")
            << Action::Interrupted;
        QTest::newRow("Range answer without its body")
            << false << body() << header("HTTP/1.1 206 Partial Content", 1) << Action::Interrupted;
        // A rental board with no new post answers with the header only.
        QTest::newRow("rental header alone")
            << true << QByteArray() << header("HTTP/1.1 200 OK", -1) << Action::Finished;
    }

    void closedEarly() // a cut answer joining a part line, or losing the copy
    {
        QFETCH(bool, rental);
        QFETCH(QByteArray, copy);
        QFETCH(QByteArray, chunk);
        QFETCH(Action, end);
        Receive in(rental, !copy.isEmpty(), copy);
        const Run run = in.all({chunk});
        QCOMPARE(run.actions.last(), end);
        QCOMPARE(run.statuses.last(), end == Action::Finished ? kFinished : kInterrupted);
        QVERIFY(run.lines.isEmpty());
        QCOMPARE(in.state.DatBytes, copy);
        QCOMPARE(in.state.DatSize, qint32(copy.size()));
    }

    void rentalLineBreaks() // a line break form missed, or a length check applied
    {
        // LF, CR LF and a lone CR all end a line, which then ends with CR; the last CR waits for
        // the close, as a LF may follow. A wrong length does not matter on the rental board.
        const QByteArray euc =
            Codec::toEuc(QStringLiteral("1<>かな<>漢字<>ｶﾅ<>題<>abc\n2<>b\r\n3<>c\r4<>d\r"));
        const QByteArray whole = header("HTTP/1.1 200 OK", 999) + euc;
        for (int cut = 1; cut < whole.size(); ++cut) {
            Receive in(true);
            const Run run = in.all({whole.left(cut), whole.mid(cut)});
            QCOMPARE(run.lines, (QStringList{QStringLiteral("1<>かな<>漢字<>ｶﾅ<>題<>abc\r"),
                                             QStringLiteral("2<>b\r"), QStringLiteral("3<>c\r"),
                                             QStringLiteral("4<>d\r")}));
            QCOMPARE(run.statuses.last(), kFinished);
        }
    }

    void separator_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("angle") << QStringLiteral("a<>b<>c<>d<>e\n") << QStringLiteral("<>");
        QTest::newRow("comma") << QStringLiteral("a,b,c,d,e\n") << QStringLiteral(",");
        QTest::newRow("angle in a later line")
            << QStringLiteral("a,b\nc<>d\n") << QStringLiteral("<>");
    }

    void separator()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        // The kept separator of an earlier response does not decide this one.
        Receive in(false, false, QByteArray(),
                   expected == QLatin1String(",") ? QStringLiteral("<>") : QStringLiteral(","));
        QCOMPARE(in.r.feed(ok(Codec::toSjis(text))).separator, expected);
        QCOMPARE(in.r.DatSeparator(), expected);
    }

    void leadingLfTakenOnce()
    {
        Receive in;
        const QByteArray b("\n\nA<>x\nB<>y\n");
        const QByteArray whole = ok(b);
        const qsizetype bodyStart = whole.size() - b.size();
        // Chunks that each start with a LF once the front is cut: no line may be lost.
        const Run run = in.all({whole.left(bodyStart + 2), whole.mid(bodyStart + 2)});
        QCOMPARE(run.lines,
                 (QStringList{QString(), QStringLiteral("A<>x"), QStringLiteral("B<>y")}));
        QCOMPARE(in.state.DatBytes, b.mid(1));
    }

    void abandonKeepsCompleteLines()
    {
        Receive in(false, true, "old\n");
        const DatResponse::Step s =
            in.r.feed(header("HTTP/1.1 206 Partial Content", 100) + "\nnew1\nnew2\npart");
        QCOMPARE(s.lines, (QStringList{QStringLiteral("new1"), QStringLiteral("new2")}));
        const DatResponse::Step end = in.r.abandon(in.state, QStringLiteral("通信エラー"));
        QCOMPARE(end.status, QStringLiteral("通信エラー"));
        QVERIFY(end.lines.isEmpty());
        QCOMPARE(in.state.DatBytes, QByteArray("old\nnew1\nnew2\n"));
        QCOMPARE(in.state.DatSize, 14);
    }

    void rangeAnswers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<Action>("end");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QByteArray>("copy");
        const QByteArray partial = "HTTP/1.1 206 Partial Content\r\nContent-Length: 6\r\n";
        const QByteArray whole = "HTTP/1.1 200 OK\r\nContent-Length: ";
        const QStringList c = {QStringLiteral("C<>3")};
        // The local copy is "A<>1\nB<>2\n"; the Range asked for starts at its last byte, 9.
        QTest::newRow("206 from the asked offset")
            << partial + "Content-Range: bytes 9-14/15\r\n\r\n\nC<>3\n"
            << Action::Finished << c << QByteArray("A<>1\nB<>2\nC<>3\n");
        QTest::newRow("206 without Content-Range")
            << partial + "\r\n\nC<>3\n"
            << Action::Finished << c << QByteArray("A<>1\nB<>2\nC<>3\n");
        QTest::newRow("range header name in other case")
            << partial + "content-range: bytes 9-14/15\r\n\r\n\nC<>3\n"
            << Action::Finished << c << QByteArray("A<>1\nB<>2\nC<>3\n");
        // From an earlier LF: posts already shown would come again.
        QTest::newRow("206 from elsewhere")
            << QByteArray("HTTP/1.1 206 Partial Content\r\nContent-Length: 11\r\n"
                          "Content-Range: bytes 4-14/15\r\n\r\n\nB<>2\nC<>3\n")
            << Action::DifferentialFailed << QStringList() << QByteArray("A<>1\nB<>2\n");
        QTest::newRow("206 with no first byte")
            << partial + "Content-Range: bytes */15\r\n\r\n\nC<>3\n"
            << Action::DifferentialFailed << QStringList() << QByteArray("A<>1\nB<>2\n");
        // A server that ignores Range: only what follows the local copy is new.
        QTest::newRow("whole file continuing the copy")
            << whole + "15\r\n\r\nA<>1\nB<>2\nC<>3\n"
            << Action::Finished << c << QByteArray("A<>1\nB<>2\nC<>3\n");
        QTest::newRow("whole file unchanged")
            << whole + "10\r\n\r\nA<>1\nB<>2\n"
            << Action::Finished << QStringList() << QByteArray("A<>1\nB<>2\n");
        QTest::newRow("whole file changed in place")
            << whole + "15\r\n\r\nA<>1\nX<>2\nC<>3\n"
            << Action::DifferentialFailed << QStringList() << QByteArray("A<>1\nB<>2\n");
        QTest::newRow("whole file shorter")
            << whole + "5\r\n\r\nA<>1\n"
            << Action::DifferentialFailed << QStringList() << QByteArray("A<>1\nB<>2\n");
    }

    void rangeAnswers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(Action, end);
        QFETCH(QStringList, lines);
        QFETCH(QByteArray, copy);
        for (qsizetype cut = 1; cut < answer.size(); ++cut) {
            Receive in(false, true, "A<>1\nB<>2\n");
            const Run run = in.all({answer.left(cut), answer.mid(cut)});
            QCOMPARE(run.actions.last(), end);
            QCOMPARE(run.lines, lines);
            QCOMPARE(in.state.DatBytes, copy);
        }
    }

    void lineAboveTheBoundIsCut()
    {
        // More than 1 MiB without a LF, in the 64 KiB chunks of a socket: handed on empty (a
        // broken post), and the lines around it as they are.
        const QByteArray b = "a<>b\n" + QByteArray((1 << 20) + 10, 'x') + "\nc<>d\n";
        const QByteArray whole = ok(b);
        QList<QByteArray> chunks;
        for (qsizetype at = 0; at < whole.size(); at += 64 * 1024)
            chunks << whole.mid(at, 64 * 1024);
        Receive in;
        const Run run = in.all(chunks);
        QCOMPARE(run.lines,
                 (QStringList{QStringLiteral("a<>b"), QString(), QStringLiteral("c<>d")}));
        QCOMPARE(run.actions.last(), Action::Finished);
        QCOMPARE(in.state.DatBytes, b);
    }

    void lineBound_data()
    {
        QTest::addColumn<int>("sent");
        QTest::addColumn<Action>("end");
        QTest::newRow("exactly the bound") << 20000 << Action::Finished;
        QTest::newRow("one more") << 20001 << Action::TooLarge;
    }

    void lineBound()
    {
        QFETCH(int, sent);
        QFETCH(Action, end);
        QByteArray b;
        QByteArray kept;
        for (int n = 0; n < sent; ++n) {
            b += "n<>m<>d<>" + QByteArray::number(n) + '\n';
            if (n == 19999)
                kept = b;
        }
        const QByteArray whole = ok(b);
        QList<QByteArray> chunks;
        for (qsizetype at = 0; at < whole.size(); at += 4096)
            chunks << whole.mid(at, 4096);
        Receive in;
        const Run run = in.all(chunks);
        QCOMPARE(run.actions.last(), end);
        QCOMPARE(run.lines.size(), 20000);
        QCOMPARE(run.lines.last(), QStringLiteral("n<>m<>d<>19999"));
        if (end == Action::TooLarge) {
            QCOMPARE(run.statuses.last(),
                     QStringLiteral("受信した行が多すぎるため受信を打ち切りました（上限20000行）"));
            // The owner ends the load: the copy ends after the last line handed on.
            in.r.abandon(in.state, run.statuses.last());
        }
        QCOMPARE(in.state.DatBytes, kept);
    }
};

QTEST_GUILESS_MAIN(TestDatResponse)
#include "tst_datresponse.moc"
