#include "overlay/overlayserver.h"

#include <QNetworkInterface>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebSocket>
#include <QtTest>

namespace {

const QString kToken = QStringLiteral("0123456789abcdef0123456789abcdef");

// The status code of the answer to a GET, or "---" when there was none. The server runs in
// this thread: every wait runs the event loop.
QByteArray statusOf(quint16 port, const QString &target, const QString &host = "127.0.0.1")
{
    QTcpSocket socket;
    QSignalSpy changed(&socket, &QTcpSocket::stateChanged);
    socket.connectToHost(host, port);
    while (socket.state() != QAbstractSocket::ConnectedState) {
        if (socket.state() == QAbstractSocket::UnconnectedState || !changed.wait(3000))
            return "---";
    }
    socket.write("GET " + target.toLatin1() + " HTTP/1.1\r\nHost: x\r\n\r\n");
    QSignalSpy ready(&socket, &QTcpSocket::readyRead);
    QByteArray answer;
    while (answer.size() < 12 && (socket.bytesAvailable() > 0 || ready.wait(3000)))
        answer += socket.readAll();
    return answer.size() < 12 ? "---" : answer.mid(9, 3);
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
        QTest::addColumn<QByteArray>("status");
        // Only the listed pages exist; nothing else, and no file, is ever served.
        QTest::newRow("subtitle") << false << "/subtitle" << QByteArray("200");
        QTest::newRow("index") << false << "/" << QByteArray("200");
        QTest::newRow("unknown") << false << "/etc/passwd" << QByteArray("404");
        QTest::newRow("page prefix") << false << "/subtitle.png" << QByteArray("404");
        // With LAN every page needs the token.
        QTest::newRow("lan no token") << true << "/score" << QByteArray("403");
        QTest::newRow("lan wrong token")
            << true << "/score?token=" + kToken.left(31) + "0" << QByteArray("403");
        QTest::newRow("lan token") << true << "/score?token=" + kToken << QByteArray("200");
        QTest::newRow("lan unknown") << true << "/x?token=" + kToken << QByteArray("404");
    }
    void statusByPathAndToken() // a page open without the token, or a path that should not exist
    {
        QFETCH(bool, lan);
        QFETCH(QString, target);
        QFETCH(QByteArray, status);
        QVERIFY(m_server->start(m_port, lan, kToken));
        QCOMPARE(statusOf(m_port, target), status);
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
        QCOMPARE(statusOf(m_port, "/", other), QByteArray("---"));
        QVERIFY(m_server->start(m_port, true, kToken));
        QCOMPARE(statusOf(m_port, "/?token=" + kToken, other), QByteArray("200"));
    }

    void portInUseIsReported() // a taken port reported as listening
    {
        QTcpServer taken;
        QVERIFY(taken.listen(QHostAddress::LocalHost, m_port));
        QVERIFY(!m_server->start(m_port, false, QString()));
        QCOMPARE(m_server->errorString(), QStringLiteral("ポート%1は使用中です").arg(m_port));
    }

    void endlessHeaderIsCut() // a header that never ends held in memory for ever
    {
        QVERIFY(m_server->start(m_port, false, QString()));
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        socket.write("GET /subtitle HTTP/1.1\r\nX-Long: " + QByteArray(256 * 1024, 'a'));
        QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QAbstractSocket::UnconnectedState, 5000);
        QVERIFY(socket.readAll().isEmpty());
        QCOMPARE(statusOf(m_port, "/"), QByteArray("200"));
    }

    void idleConnectionsAreBounded() // a crowd of silent peers filling the program's sockets
    {
        QVERIFY(m_server->start(m_port, false, QString()));
        std::vector<std::unique_ptr<QTcpSocket>> crowd(200);
        for (auto &socket : crowd) {
            socket = std::make_unique<QTcpSocket>();
            socket->connectToHost(QHostAddress::LocalHost, m_port);
        }
        auto closed = [&] {
            return std::count_if(crowd.begin(), crowd.end(), [](const auto &s) {
                return s->state() == QAbstractSocket::UnconnectedState;
            });
        };
        QTRY_VERIFY_WITH_TIMEOUT(closed() >= 200 - OverlayServer::kMaxConnections, 5000);
        QVERIFY(m_server->connectionCount() <= OverlayServer::kMaxConnections);
        // Those let in are closed after the idle limit, and pages load again.
        QTRY_COMPARE_WITH_TIMEOUT(closed(), 200, 5000);
        QCOMPARE(statusOf(m_port, "/score"), QByteArray("200"));
    }

    void pagesGetPushes() // an update lost, sent to the wrong page, or a page cut off when idle
    {
        QVERIFY(m_server->start(m_port, false, QString()));
        QWebSocket subtitle, question, late;
        QSignalSpy pictures(&subtitle, &QWebSocket::binaryMessageReceived);
        QSignalSpy texts(&question, &QWebSocket::textMessageReceived);
        QSignalSpy latePictures(&late, &QWebSocket::binaryMessageReceived);
        subtitle.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/subtitle").arg(m_port)));
        question.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/question").arg(m_port)));
        // On connecting, each page gets what shows now: kind, x, y, frame width and height,
        // 16 bits each, and no picture.
        QTRY_COMPARE_WITH_TIMEOUT(pictures.size(), 1, 5000);
        QCOMPARE(pictures.at(0).at(0).toByteArray().toHex(), QByteArray("00000000000000000000"));

        QImage picture(64, 32, QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        picture.setPixel(10, 5, qRgba(255, 0, 0, 255));
        m_server->drawSubtitle(QSize(64, 32), QPoint(0, 0), picture);
        QImage patch(2, 1, QImage::Format_ARGB32_Premultiplied);
        patch.fill(Qt::transparent);
        patch.setPixel(0, 0, qRgba(0, 0, 255, 255));
        m_server->drawSubtitle(QSize(64, 32), QPoint(12, 6), patch);
        QTRY_COMPARE_WITH_TIMEOUT(pictures.size(), 3, 5000);
        QCOMPARE(pictures.at(2).at(0).toByteArray().left(10).toHex(),
                 QByteArray("0001000c000600400020")); // a part, at 12,6 of 64x32
        // A page that connects now gets both composed, cut to the ink.
        late.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/subtitle").arg(m_port)));
        QVERIFY(latePictures.wait(5000));
        const QByteArray whole = latePictures.at(0).at(0).toByteArray();
        QCOMPARE(whole.left(10).toHex(), QByteArray("0000000a000500400020"));
        const QImage got = QImage::fromData(whole.mid(10), "PNG");
        QCOMPARE(got.size(), QSize(3, 2));
        QCOMPARE(got.pixel(0, 0), qRgba(255, 0, 0, 255));
        QCOMPARE(got.pixel(2, 1), qRgba(0, 0, 255, 255));
        QCOMPARE(qAlpha(got.pixel(1, 0)), 0);

        m_server->setQuestion(QStringLiteral("？？？"), 150);
        QTRY_COMPARE_WITH_TIMEOUT(texts.size(), 2, 5000);
        QCOMPARE(texts.at(1).at(0).toString(), QStringLiteral("{\"q\":\"？？？\",\"t\":\"150\"}"));
        QCOMPARE(pictures.size(), 3);
        // A page's connection outlives the idle limit of plain requests.
        QSignalSpy gone(&subtitle, &QWebSocket::disconnected);
        QVERIFY(!gone.wait(1000));
        m_server->clearSubtitle();
        QTRY_COMPARE_WITH_TIMEOUT(pictures.size(), 4, 5000);
        QCOMPARE(pictures.at(3).at(0).toByteArray().toHex(), QByteArray("00000000000000000000"));
    }

    void lanWebSocketNeedsToken() // pushes readable without the token
    {
        QVERIFY(m_server->start(m_port, true, kToken));
        QWebSocket socket;
        QSignalSpy closed(&socket, &QWebSocket::disconnected);
        QSignalSpy pictures(&socket, &QWebSocket::binaryMessageReceived);
        socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/subtitle").arg(m_port)));
        QVERIFY(closed.wait(5000));
        socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/subtitle?token=").arg(m_port) + kToken));
        QVERIFY(pictures.wait(5000));
        QCOMPARE(pictures.size(), 1);
    }

private:
    std::unique_ptr<OverlayServer> m_server;
    quint16 m_port = 0;
};

QTEST_MAIN(TestOverlayServer)
#include "tst_overlayserver.moc"
