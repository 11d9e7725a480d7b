#include "boardserver.h"
#include "loaderharness.h"
#include "platform/codec.h"

#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

using LoadEnd = DatFetch::LoadEnd;

namespace {

// One raw exchange with the board: the whole answer up to the server's close. The event loop
// runs meanwhile, so an in-process board can answer.
QByteArray exchange(quint16 port, const QByteArray &path, const QByteArray &extra = QByteArray())
{
    QTcpSocket socket;
    QByteArray answer;
    QObject::connect(&socket, &QTcpSocket::connected, &socket, [&] {
        socket.write("GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n" + extra + "\r\n");
    });
    QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [&] { answer += socket.readAll(); });
    QSignalSpy closed(&socket, &QTcpSocket::disconnected);
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!closed.wait(5000))
        return QByteArray();
    return answer + socket.readAll();
}

QByteArray bodyOf(const QByteArray &answer)
{
    return answer.mid(answer.indexOf("\r\n\r\n") + 4);
}

QByteArray statusOf(const QByteArray &answer)
{
    return answer.left(answer.indexOf("\r\n"));
}

} // namespace

// The local board: its routes, its demo thread and its command line.
class TestBoardServer : public QObject
{
    Q_OBJECT
private slots:
    void datRanges();
    void prefixAndSubjects();
    void rawMode();
    void faults();
    void demoThreadGrows();
    void commandLineDemo();
};

void TestBoardServer::datRanges()
{
    BoardServer server;
    QVERIFY(server.listen());
    const QByteArray file = Codec::toSjis(QStringLiteral("一<>a<>b<>c<>題\n二<>a<>b<>c<>\n"));
    server.setDat(QStringLiteral("news"), QStringLiteral("123"), file);

    const QByteArray whole = exchange(server.port(), "/news/dat/123.dat");
    QCOMPARE(statusOf(whole), QByteArray("HTTP/1.1 200 OK"));
    QVERIFY(whole.contains("\r\nContent-Length: " + QByteArray::number(file.size()) + "\r\n"));
    QCOMPARE(bodyOf(whole), file);

    const QByteArray part = exchange(server.port(), "/news/dat/123.dat", "Range: bytes=5-\r\n");
    QCOMPARE(statusOf(part), QByteArray("HTTP/1.1 206 Partial Content"));
    QVERIFY(part.contains("\r\nContent-Length: " + QByteArray::number(file.size() - 5) + "\r\n"));
    QVERIFY(part.contains("\r\nContent-Range: bytes 5-" + QByteArray::number(file.size() - 1) +
                          '/' + QByteArray::number(file.size()) + "\r\n"));
    QCOMPARE(bodyOf(part), file.mid(5));

    const QByteArray last =
        exchange(server.port(), "/news/dat/123.dat",
                 "Range: bytes=" + QByteArray::number(file.size() - 1) + "-\r\n");
    QVERIFY(last.contains("\r\nContent-Length: 1\r\n"));
    QCOMPARE(bodyOf(last), QByteArray("\n"));

    const QByteArray past = exchange(server.port(), "/news/dat/123.dat",
                                     "Range: bytes=" + QByteArray::number(file.size()) + "-\r\n");
    QCOMPARE(statusOf(past), QByteArray("HTTP/1.1 416 Requested Range Not Satisfiable"));

    QCOMPARE(statusOf(exchange(server.port(), "/news/dat/999.dat")),
             QByteArray("HTTP/1.1 404 Not Found"));
    QCOMPARE(server.requests().size(), 5);
    QCOMPARE(server.requests().first().path, QByteArray("/news/dat/123.dat"));
    QCOMPARE(server.requests().at(1).header("range"), QByteArray("bytes=5-"));
}

void TestBoardServer::prefixAndSubjects()
{
    BoardServer server;
    QVERIFY(server.listen());
    server.setDat(QStringLiteral("pre/board"), QStringLiteral("111"),
                  Codec::toSjis(QStringLiteral("a<>b<>c<>d<>一つ目のスレ\nx<>y<>z<>w<>\n")));
    server.setDat(QStringLiteral("pre/board"), QStringLiteral("222"),
                  Codec::toSjis(QStringLiteral("a<>b<>c<>d<>二つ目\n")));
    QCOMPARE(bodyOf(exchange(server.port(), "/pre/board/dat/222.dat")),
             Codec::toSjis(QStringLiteral("a<>b<>c<>d<>二つ目\n")));
    const QString subject =
        Codec::fromSjis(bodyOf(exchange(server.port(), "/pre/board/subject.txt")));
    QVERIFY(subject.contains(QStringLiteral("111.dat<>一つ目のスレ (2)\n")));
    QVERIFY(subject.contains(QStringLiteral("222.dat<>二つ目 (1)\n")));

    server.setRentalThread(QStringLiteral("game"), QStringLiteral("12345"), QStringLiteral("333"),
                           {QStringLiteral("1<>n<>m<>d<>本文<>したらばスレ<>id"),
                            QStringLiteral("2<>n<>m<>d<>本文<><>id")});
    for (const QByteArray &path :
         {QByteArray("/game/12345/subject.txt"), QByteArray("/bbs/game/12345/subject.txt")}) {
        const QString rental = Codec::fromEuc(bodyOf(exchange(server.port(), path)));
        // The rental board repeats its first thread on a last line.
        QCOMPARE(rental, QStringLiteral("333.cgi,したらばスレ(2)\n333.cgi,したらばスレ(2)\n"));
    }
}

void TestBoardServer::rawMode()
{
    BoardServer server;
    QVERIFY(server.listen());
    const QStringList lines = {QStringLiteral("1<>名無し<>sage<>日付<>一番 ｶﾅ<>題<>aaa"),
                               QStringLiteral("2<>名無し<><>日付<>二番<><>bbb"),
                               QStringLiteral("3<>名無し<><>日付<>三番<><>ccc")};
    server.setRentalThread(QStringLiteral("game"), QStringLiteral("12345"), QStringLiteral("777"),
                           lines);
    const QByteArray all = exchange(server.port(), "/bbs/rawmode.cgi/game/12345/777/1-");
    QCOMPARE(statusOf(all), QByteArray("HTTP/1.1 200 OK"));
    QVERIFY(!all.contains("Content-Length:"));
    QCOMPARE(bodyOf(all), Codec::toEuc(lines.join(QLatin1Char('\n')) + QLatin1Char('\n')));
    QCOMPARE(bodyOf(exchange(server.port(), "/bbs/rawmode.cgi/game/12345/777/2-")),
             Codec::toEuc(lines.mid(1).join(QLatin1Char('\n')) + QLatin1Char('\n')));
    QCOMPARE(bodyOf(exchange(server.port(), "/bbs/rawmode.cgi/game/12345/777/4-")), QByteArray());
    QVERIFY(server.rewriteRentalLine(QStringLiteral("game"), QStringLiteral("12345"),
                                     QStringLiteral("777"), 1,
                                     QStringLiteral("2<>x<>x<>x<>消<><>x")));
    QCOMPARE(
        server.rentalLines(QStringLiteral("game"), QStringLiteral("12345"), QStringLiteral("777"))
            .at(1),
        QStringLiteral("2<>x<>x<>x<>消<><>x"));
}

void TestBoardServer::faults()
{
    BoardServer server;
    QVERIFY(server.listen());
    const QByteArray file("a<>b<>c<>d<>e\n");
    server.setDat(QStringLiteral("b"), QStringLiteral("1"), file);

    BoardServer::Behaviour b;
    b.ignoreRange = true;
    b.omitContentLength = true;
    server.setBehaviour(b);
    const QByteArray ignored = exchange(server.port(), "/b/dat/1.dat", "Range: bytes=3-\r\n");
    QCOMPARE(statusOf(ignored), QByteArray("HTTP/1.1 200 OK"));
    QVERIFY(!ignored.contains("Content-Length:"));
    QCOMPARE(bodyOf(ignored), file);

    b = BoardServer::Behaviour();
    b.statusLine = "HTTP/1.0 503 Busy";
    b.closeAfter = 40;
    server.setBehaviour(b);
    const QByteArray cut = exchange(server.port(), "/b/dat/1.dat");
    QCOMPARE(statusOf(cut), QByteArray("HTTP/1.0 503 Busy"));
    QCOMPARE(cut.size(), 40);

    b = BoardServer::Behaviour();
    b.statusOnly = true;
    server.setBehaviour(b);
    QCOMPARE(exchange(server.port(), "/b/dat/1.dat"), "HTTP/1.1 200 OK\r\n\r\n" + file);

    QVERIFY(server.rewriteDatLine(QStringLiteral("b"), QStringLiteral("1"), 0, "x<>y"));
    QCOMPARE(server.dat(QStringLiteral("b"), QStringLiteral("1")), QByteArray("x<>y\n"));
    QVERIFY(!server.rewriteDatLine(QStringLiteral("b"), QStringLiteral("1"), 1, "z"));
}

void TestBoardServer::demoThreadGrows()
{
    BoardServer server;
    QVERIFY(server.listen());
    QSignalSpy added(&server, &BoardServer::demoPostAdded);
    server.startDemo(30, 100);
    QCOMPARE(added.size(), 30);
    const QByteArray dat = server.dat(QStringLiteral("demo"), QStringLiteral("1700000000"));
    const QStringList lines = Codec::fromSjis(dat).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 30);
    QVERIFY(lines.first().split(QStringLiteral("<>")).at(4).contains(QStringLiteral("デモ")));
    for (const QString &line : lines) {
        QCOMPARE(line.split(QStringLiteral("<>")).size(), 5);
        QVERIFY(line.contains(QStringLiteral(" ID:")));
    }
    QCOMPARE(
        server
            .rentalLines(QStringLiteral("demo"), QStringLiteral("1"), QStringLiteral("1700000000"))
            .size(),
        30);
    QVERIFY(added.wait(3000));
    QCOMPARE(server.dat(QStringLiteral("demo"), QStringLiteral("1700000000")).count('\n'), 31);
}

void TestBoardServer::commandLineDemo()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString portFile = dir.filePath(QStringLiteral("demo.port"));
    QProcess server;
    server.start(QStringLiteral(BOARD_SERVER_EXE),
                 {QStringLiteral("--demo"), QStringLiteral("--port"), QStringLiteral("0"),
                  QStringLiteral("--port-file"), portFile, QStringLiteral("--interval"),
                  QStringLiteral("300")});
    QVERIFY2(server.waitForStarted(5000), qPrintable(server.errorString()));
    auto portNumber = [&portFile] {
        QFile f(portFile);
        return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().toUInt() : 0u;
    };
    QTRY_VERIFY_WITH_TIMEOUT(portNumber() > 0, 10000);
    const QString url = QStringLiteral("http://127.0.0.1:") + QString::number(portNumber()) +
                        QStringLiteral("/test/read.cgi/demo/1700000000/");

    LoaderHarness h;
    QVERIFY(h.load(url));
    QCOMPARE(h.lastEnd(), LoadEnd::Finished);
    QVERIFY(h.lines.size() >= 30);
    QCOMPARE(h.lines.first().split(QStringLiteral("<>")).size(), 5);

    // New posts keep coming, and follow-up loads bring them.
    auto followUp = [&h, &url] {
        h.clearRecords();
        return h.load(url) && h.lastEnd() == LoadEnd::Finished && !h.lines.isEmpty();
    };
    bool brought = false;
    QTRY_VERIFY_WITH_TIMEOUT(brought || (brought = followUp()), 10000);
    QVERIFY(h.state.LiveMode);

    server.terminate();
    QVERIFY(server.waitForFinished(5000));

    QProcess help;
    help.start(QStringLiteral(BOARD_SERVER_EXE), {QStringLiteral("--help")});
    QVERIFY(help.waitForFinished(5000));
    const QByteArray text = help.readAllStandardOutput();
    for (const char *option : {"--demo", "--port", "--port-file", "--interval", "--tls-cert"})
        QVERIFY2(text.contains(option), option);
}

QTEST_GUILESS_MAIN(TestBoardServer)
#include "tst_boardserver.moc"
