#include "loaderharness.h"
#include "retrieval/datresponse.h"
#include "retrieval/threadstate.h"

#include <QtTest>

using Action = DatResponse::Action;

namespace {

const QString kDifferentialFailed =
    QStringLiteral("差分取得に失敗 Ctrlキーを押しながら更新してみてください");

QByteArray header(const QByteArray &status, qint64 contentLength)
{
    return status +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(contentLength) +
           "\r\nConnection: close\r\n\r\n";
}

QByteArray ok(const QByteArray &body)
{
    return header("HTTP/1.1 200 OK", body.size()) + body;
}

const QStringList kLines = datPosts(1, 3);
const QByteArray kBody = datOf(kLines);

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

    // Feeds the chunks until one ends the response, then closes.
    Run all(const QList<QByteArray> &chunks)
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
        const DatResponse::Step last = r.close();
        take(last);
        state.DatBytes += last.append;
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
    void contentLength() // a length misread: a whole answer taken as interrupted, or an overflow
    {
        QCOMPARE(DatResponse::contentLengthOf("X\r\nContent-Length: abc\r"), 0);
        QCOMPARE(DatResponse::contentLengthOf("X\r\nContent-Length: 99999999999\r"), 2147483647);
    }

    void everySplitGivesTheSameLines() // a line, a character or "<>" lost where a chunk ends
    {
        const QByteArray whole = ok(kBody);
        for (qsizetype cut = 1; cut < whole.size(); ++cut) {
            // The kept separator of an earlier thread; this one's marker may be cut in two.
            Receive in(false, false, QByteArray(), QStringLiteral(","));
            const Run run = in.all({whole.left(cut), whole.mid(cut)});
            QCOMPARE(run.lines, kLines);
            QCOMPARE(in.r.DatSeparator(), QStringLiteral("<>"));
            QCOMPARE(run.actions.last(), Action::Finished);
            QCOMPARE(in.state.DatBytes, kBody);
        }
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
        QTest::newRow("Range answer without its body")
            << false << kBody << header("HTTP/1.1 206 Partial Content", 1) << Action::Interrupted;
        // A rental board with no new post answers with the header only; its length does not count.
        QTest::newRow("rental header alone")
            << true << QByteArray() << header("HTTP/1.1 200 OK", 999) << Action::Finished;
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
        QVERIFY(run.lines.isEmpty());
        QCOMPARE(in.state.DatBytes, copy);
        QCOMPARE(in.state.DatSize, qint32(copy.size()));
    }

    void separator() // the separator decided by an earlier response or by the first line alone
    {
        // The kept separator of an earlier response does not decide this one; a later line may.
        Receive comma(false, false, QByteArray(), QStringLiteral("<>"));
        QCOMPARE(comma.r.feed(ok("a,b,c,d,e\n")).separator, QStringLiteral(","));
        Receive later(false, false, QByteArray(), QStringLiteral(","));
        QCOMPARE(later.r.feed(ok("a,b\nc<>d\n")).separator, QStringLiteral("<>"));
        QCOMPARE(later.r.DatSeparator(), QStringLiteral("<>"));
    }

    void leadingLfTakenOnce() // a second leading LF taken for the check byte: a line lost
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

    void rangeAnswers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<Action>("end");
        QTest::addColumn<QStringList>("lines");
        const QByteArray partial = "HTTP/1.1 206 Partial Content\r\nContent-Length: 6\r\n";
        const QByteArray whole = "HTTP/1.1 200 OK\r\nContent-Length: ";
        const QStringList c = {QStringLiteral("C<>3")};
        // The local copy is "A<>1\nB<>2\n"; the Range asked for starts at its last byte, 9.
        QTest::newRow("206 from the asked offset")
            << partial + "content-range: bytes 9-14/15\r\n\r\n\nC<>3\n"
            << Action::Finished << c;
        QTest::newRow("206 without Content-Range") << partial + "\r\n\nC<>3\n"
                                                   << Action::Finished << c;
        // The file changed in place: the first byte is not the LF that ends the copy.
        QTest::newRow("206 not from the LF") << partial + "\r\nX<>3\n"
                                             << Action::DifferentialFailed << QStringList();
        // From another offset, though it starts with a LF: posts would repeat.
        QTest::newRow("206 from another offset")
            << partial + "Content-Range: bytes 4-9/15\r\n\r\n\nC<>3\n"
            << Action::DifferentialFailed << QStringList();
        // A server that ignores Range: only what follows the local copy is new.
        QTest::newRow("whole file continuing the copy") << whole + "15\r\n\r\nA<>1\nB<>2\nC<>3\n"
                                                        << Action::Finished << c;
        QTest::newRow("whole file changed in place") << whole + "15\r\n\r\nA<>1\nX<>2\nC<>3\n"
                                                     << Action::DifferentialFailed << QStringList();
        QTest::newRow("whole file shorter") << whole + "5\r\n\r\nA<>1\n"
                                            << Action::DifferentialFailed << QStringList();
    }

    void rangeAnswers() // an answer that does not continue the local copy appended to it
    {
        QFETCH(QByteArray, answer);
        QFETCH(Action, end);
        QFETCH(QStringList, lines);
        const QByteArray copy = "A<>1\nB<>2\n";
        // Every cut, the one right after the header included: the check byte alone is checked.
        for (qsizetype cut = 1; cut < answer.size(); ++cut) {
            Receive in(false, true, copy);
            const Run run = in.all({answer.left(cut), answer.mid(cut)});
            QCOMPARE(run.actions.last(), end);
            QCOMPARE(run.lines, lines);
            if (end == Action::Finished) {
                QCOMPARE(in.state.DatBytes, QByteArray("A<>1\nB<>2\nC<>3\n"));
            } else {
                QCOMPARE(run.statuses.last(), kDifferentialFailed);
                QCOMPARE(in.state.DatBytes, copy);
            }
        }
    }

    void lineAboveTheBoundIsCut() // one endless line decoded and kept whole
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
};

QTEST_GUILESS_MAIN(TestDatResponse)
#include "tst_datresponse.moc"
