#include "overlay/overlayserver.h"
#include "rendering/postpipeline.h"
#include "retrieval/threadstate.h"
#include "settings/program.h"

#include <QWebSocket>
#include <QtNetwork>
#include <QtTest>

namespace {

const QString kToken = QStringLiteral("0123456789abcdef0123456789abcdef");

// The status code of the answer to a GET with `headers` (Host: the address unless given), 0
// when none came. The server runs in this thread: every wait runs the event loop.
int statusOf(quint16 port, const QString &target, QString headers = {},
             const QString &address = "127.0.0.1", const QString &from = {})
{
    if (!headers.startsWith("Host:"))
        headers = "Host: " + address + "\r\n" + headers;
    QTcpSocket socket;
    if (!from.isEmpty())
        socket.bind(QHostAddress(from));
    QObject::connect(&socket, &QTcpSocket::connected, [&] {
        socket.write(("GET " + target + " HTTP/1.1\r\n" + headers + "\r\n").toLatin1());
    });
    socket.connectToHost(address, port);
    QSignalSpy ready(&socket, &QTcpSocket::readyRead);
    for (int i = 0; i < 60 && socket.bytesAvailable() < 12 && socket.state(); ++i)
        ready.wait(50);
    return socket.read(12).mid(9).toInt();
}

} // namespace

class TestOverlayServer : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_server = std::make_unique<OverlayServer>();
        m_server->setIdleLimit(500);
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        m_port = probe.serverPort();
    }

    void statusByPathAndToken_data()
    {
        QTest::addColumn<bool>("lan");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("headers"); // PORT: the server's; WS: a WebSocket upgrade
        QTest::addColumn<int>("status");
        const auto row = [](const char *name, bool lan, QString target, QString headers,
                            int status) {
            QTest::newRow(name) << lan << target.replace("TOKEN", kToken) << headers << status;
        };
        // Only the listed pages exist; nothing else, and no file, is ever served.
        row("page", false, "/subtitle", "", 200);
        row("unknown", false, "/etc/passwd", "", 404);
        row("page prefix", false, "/subtitle.png", "", 404);
        row("flow page sized", false, "/flow?w=1920&h=1080", "", 200);
        // Without LAN only this machine's names and pages: no DNS rebinding, no foreign script.
        row("localhost", false, "/", "Host: localhost:PORT\r\n", 200);
        row("foreign host", false, "/", "Host: localhost.example\r\n", 403);
        row("own origin", false, "/score", "Origin: http://localhost:PORT\r\nWS", 101);
        row("other origin", false, "/score", "Origin: http://127.0.0.1:80\r\nWS", 403);
        // With LAN every page and push needs the token, whatever the names.
        row("lan no token", true, "/score", "", 403);
        row("lan wrong token", true, "/score?token=0123456789abcdef0123456789abcde0", "", 403);
        row("lan push no token", true, "/score", "WS", 403);
        row("lan push", true, "/score?token=TOKEN", "Origin: http://a\r\nWS", 101);
        row("lan unknown", true, "/x?token=TOKEN", "", 404);
    }
    void statusByPathAndToken() // a page or its pushes open to strangers, or a path too many
    {
        QFETCH(bool, lan);
        QFETCH(QString, target);
        QFETCH(QString, headers);
        QFETCH(int, status);
        QVERIFY(m_server->start(m_port, lan, kToken));
        headers.replace("PORT", QString::number(m_port))
            .replace("WS", "Upgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Version:"
                           " 13\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n");
        QCOMPARE(statusOf(m_port, target, headers), status);
    }

    void portIsChecked() // a port outside 1024-65535 taken from the settings
    {
        QCOMPARE(ParseOverlayPort("1024"), 1024);
        QCOMPARE(ParseOverlayPort(" ６５５３５"), 65535);
        for (const char *refused : {"1023", "65536", "00080", "web", "", "-1"})
            QCOMPARE(ParseOverlayPort(refused), 0);
    }

    void loopbackOnlyWithoutLan() // the pages reachable from the network without "LAN"
    {
        QString other;
        for (const QHostAddress &a : QNetworkInterface::allAddresses()) {
            if (!a.isLoopback() && a.protocol() == QAbstractSocket::IPv4Protocol)
                other = a.toString();
        }
        if (other.isEmpty())
            QSKIP("this machine has no address besides the loopback");
        QVERIFY(m_server->start(m_port, false, QString()));
        QCOMPARE(statusOf(m_port, "/", {}, other), 0);
        QVERIFY(m_server->start(m_port, true, kToken));
        QCOMPARE(statusOf(m_port, "/?token=" + kToken, {}, other), 200);
    }

    void portInUseIsReported() // a taken port reported as listening
    {
        QTcpServer taken;
        QVERIFY(taken.listen(QHostAddress::LocalHost, m_port));
        QVERIFY(!m_server->start(m_port, false, QString()));
        QCOMPARE(m_server->errorString(), QStringLiteral("ポート%1は使用中です").arg(m_port));
    }

    // A crowd of silent peers, or a header that never ends, holding the program's sockets; a
    // page cut off with them, or sent another page's pushes.
    void idleConnectionsAreBounded()
    {
        QVERIFY(m_server->start(m_port, false, QString()));
        QWebSocket page;
        QSignalSpy texts(&page, &QWebSocket::textMessageReceived);
        QSignalSpy pictures(&page, &QWebSocket::binaryMessageReceived);
        page.open(QStringLiteral("ws://127.0.0.1:%1/question").arg(m_port));
        QVERIFY(texts.wait(5000)); // what shows now
        m_server->drawSubtitle(QSize(64, 32), QPoint(), QImage());
        std::vector<QTcpSocket> crowd(200);
        for (QTcpSocket &socket : crowd)
            socket.connectToHost(QHostAddress::LocalHost, m_port);
        crowd[0].write("GET / HTTP/1.1\r\nX-Long: " + QByteArray(256 * 1024, 'a'));
        auto closed = [&] {
            return std::count_if(crowd.begin(), crowd.end(), [](const QTcpSocket &s) {
                return s.state() == QAbstractSocket::UnconnectedState;
            });
        };
        QTRY_VERIFY_WITH_TIMEOUT(closed() >= 200 - OverlayServer::kMaxConnections, 5000);
        QVERIFY(m_server->connectionCount() <= OverlayServer::kMaxConnections);
        // Those let in are closed after the idle limit, and pages load again.
        QTRY_COMPARE_WITH_TIMEOUT(closed(), 200, 5000);
        QCOMPARE(statusOf(m_port, "/score"), 200);
        QCOMPARE(page.state(), QAbstractSocket::ConnectedState);
        QCOMPARE(pictures.size(), 0);
    }

    // One machine of the LAN holding every connection; a silent one kept till the idle limit.
    void lanPeerCannotStarveOthers()
    {
        m_server->setIdleLimit(60000);
        QVERIFY(m_server->start(m_port, true, kToken));
        std::vector<QTcpSocket> crowd(70);
        for (QTcpSocket &socket : crowd) {
            socket.bind(QHostAddress(QStringLiteral("127.0.0.2")));
            socket.connectToHost(QHostAddress::LocalHost, m_port);
        }
        auto open = [&] {
            return std::count_if(crowd.begin(), crowd.end(), [](const QTcpSocket &s) {
                return s.state() == QAbstractSocket::ConnectedState;
            });
        };
        QTRY_COMPARE_WITH_TIMEOUT(open(), 8, 5000);
        QCOMPARE(statusOf(m_port, "/?token=" + kToken, {}, "127.0.0.1", "127.0.0.3"), 200);
        // Silent ones go once the time for a request header is over, long before the idle limit.
        QTRY_COMPARE_WITH_TIMEOUT(open(), 0, 5000);
    }

    // A load of 10,000 posts, one of 1 MiB and one of 10,000 lines, flooding the flow page.
    void flowIsBounded()
    {
        QVERIFY(m_server->start(m_port, false, QString()));
        Program program;
        ThreadState state;
        state.LiveMode = true;
        PostPipeline pipeline(program, state);
        m_server->followPosts(pipeline, program.opt);
        QWebSocket page;
        QSignalSpy texts(&page, &QWebSocket::textMessageReceived);
        page.open(QStringLiteral("ws://127.0.0.1:%1/flow").arg(m_port));
        QVERIFY(texts.wait(5000)); // the timing, no comments
        QStringList lines;
        for (int i = 1; i <= 9998; ++i)
            lines << QStringLiteral("n<><>d<>post %1<>").arg(i);
        lines << "n<><>d<>" + QString(1 << 20, 'x') + "<>"
              << "n<><>d<>" + QString("y<br>").repeated(10000) + "<>";
        pipeline.SetLog(lines, "<>");
        QVERIFY(texts.wait(5000));
        const QJsonObject message =
            QJsonDocument::fromJson(texts.last()[0].toString().toUtf8()).object();
        QCOMPARE(message["seconds"].toInt(), 5);
        QCOMPARE(message["max"].toInt(), 60);
        const QJsonArray sent = message["c"].toArray(); // the newest 200
        QCOMPARE(sent.size(), 200);
        QCOMPARE(sent[0]["t"].toString(), "post 9801");
        QCOMPARE(sent[198]["t"].toString(), QString(200, 'x') + "…");
        QCOMPARE(sent[199]["t"].toString(), QString("y\n").repeated(9) + "y…");
    }

private:
    std::unique_ptr<OverlayServer> m_server;
    quint16 m_port = 0;
};

QTEST_MAIN(TestOverlayServer)
#include "tst_overlayserver.moc"
