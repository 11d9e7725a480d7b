#include "overlay/overlayserver.h"

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkInterface>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebSocket>
#include <QtTest>

namespace {

const QString kToken = QStringLiteral("0123456789abcdef0123456789abcdef");

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The status line of the answer to one request, or what was there when the peer went away.
// The server runs in this thread: every wait runs the event loop.
QByteArray statusOf(quint16 port, const QByteArray &request, const QString &host = "127.0.0.1")
{
    QTcpSocket socket;
    QSignalSpy changed(&socket, &QTcpSocket::stateChanged);
    socket.connectToHost(host, port);
    while (socket.state() != QAbstractSocket::ConnectedState) {
        if (socket.state() == QAbstractSocket::UnconnectedState || !changed.wait(3000))
            return "no connection";
    }
    socket.write(request);
    QSignalSpy ready(&socket, &QTcpSocket::readyRead);
    QByteArray answer;
    while (!answer.contains("\r\n") && (socket.bytesAvailable() > 0 || ready.wait(3000)))
        answer += socket.readAll();
    return answer.left(answer.indexOf("\r\n"));
}

QByteArray get(const QString &target)
{
    return "GET " + target.toLatin1() + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
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
        m_port = freePort();
    }

    void statusByPathAndToken_data()
    {
        QTest::addColumn<bool>("lan");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QByteArray>("status");
        // Only the listed pages exist; nothing else, and no file, is ever served.
        QTest::newRow("subtitle") << false << "/subtitle" << QByteArray("HTTP/1.1 200 OK");
        QTest::newRow("index") << false << "/" << QByteArray("HTTP/1.1 200 OK");
        QTest::newRow("unknown") << false << "/etc/passwd" << QByteArray("HTTP/1.1 404 Not Found");
        QTest::newRow("page prefix")
            << false << "/subtitle.png" << QByteArray("HTTP/1.1 404 Not Found");
        // With LAN every page needs the token.
        QTest::newRow("lan no token") << true << "/score" << QByteArray("HTTP/1.1 403 Forbidden");
        QTest::newRow("lan wrong token") << true << "/score?token=" + kToken.left(31) + "0"
                                         << QByteArray("HTTP/1.1 403 Forbidden");
        QTest::newRow("lan token")
            << true << "/score?token=" + kToken << QByteArray("HTTP/1.1 200 OK");
        QTest::newRow("lan unknown")
            << true << "/x?token=" + kToken << QByteArray("HTTP/1.1 404 Not Found");
    }
    void
    statusByPathAndToken() // a page open without the token, or an address that should not exist
    {
        QFETCH(bool, lan);
        QFETCH(QString, target);
        QFETCH(QByteArray, status);
        QVERIFY(m_server->start(m_port, lan, kToken));
        QCOMPARE(statusOf(m_port, get(target)), status);
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
        QCOMPARE(statusOf(m_port, get("/"), other), QByteArray("no connection"));
        QVERIFY(m_server->start(m_port, true, kToken));
        QCOMPARE(statusOf(m_port, get("/?token=" + kToken), other), QByteArray("HTTP/1.1 200 OK"));
    }

    void portInUseIsReported() // a taken port reported as listening
    {
        QTcpServer taken;
        QVERIFY(taken.listen(QHostAddress::LocalHost, m_port));
        QVERIFY(!m_server->start(m_port, false, QString()));
        QVERIFY(!m_server->isListening());
        QCOMPARE(m_server->errorString(), QStringLiteral("ポート%1は使用中です").arg(m_port));
    }

    void endlessHeaderIsCut() // a header that never ends held in memory for ever
    {
        QVERIFY(m_server->start(m_port, false, QString()));
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        QVERIFY(socket.waitForConnected(3000));
        socket.write("GET /subtitle HTTP/1.1\r\nX-Long: " + QByteArray(256 * 1024, 'a'));
        QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QAbstractSocket::UnconnectedState, 5000);
        QVERIFY(!socket.readAll().contains("200"));
        QCOMPARE(statusOf(m_port, get("/")), QByteArray("HTTP/1.1 200 OK"));
    }

    void idleConnectionsAreBounded() // a crowd of silent peers filling the program's sockets
    {
        QVERIFY(m_server->start(m_port, false, QString()));
        std::vector<std::unique_ptr<QTcpSocket>> crowd;
        for (int i = 0; i < 200; ++i) {
            crowd.push_back(std::make_unique<QTcpSocket>());
            crowd.back()->connectToHost(QHostAddress::LocalHost, m_port);
        }
        auto closed = [&] {
            return std::count_if(crowd.begin(), crowd.end(), [](const auto &s) {
                return s->state() == QAbstractSocket::UnconnectedState;
            });
        };
        QTRY_VERIFY_WITH_TIMEOUT(closed() >= 200 - OverlayServer::kMaxConnections, 5000);
        QVERIFY(m_server->connectionCount() <= OverlayServer::kMaxConnections);
        // The silent ones that were let in are closed after the idle limit, and pages load again.
        QTRY_COMPARE_WITH_TIMEOUT(closed(), 200, 5000);
        QCOMPARE(statusOf(m_port, get("/score")), QByteArray("HTTP/1.1 200 OK"));
    }

    void pagesGetPushes() // an update not reaching an open page, or reaching the wrong one
    {
        QVERIFY(m_server->start(m_port, false, QString()));
        QWebSocket subtitle, question;
        QSignalSpy pictures(&subtitle, &QWebSocket::binaryMessageReceived);
        QSignalSpy texts(&question, &QWebSocket::textMessageReceived);
        subtitle.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/subtitle").arg(m_port)));
        question.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/question").arg(m_port)));
        // On connecting, each page gets what is shown now: nothing yet.
        QTRY_COMPARE_WITH_TIMEOUT(pictures.size(), 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(texts.size(), 1, 5000);
        // Kind, x, y, frame width and height, 16 bits each; then a PNG when anything shows.
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
        // A new frame goes whole, cut to its ink; a change goes as the changed part.
        const QByteArray whole = pictures.at(1).at(0).toByteArray();
        QCOMPARE(whole.left(10).toHex(), QByteArray("0000000a000500400020"));
        QCOMPARE(QImage::fromData(whole.mid(10), "PNG").size(), QSize(1, 1));
        const QByteArray part = pictures.at(2).at(0).toByteArray();
        QCOMPARE(part.left(10).toHex(), QByteArray("0001000c000600400020"));
        QCOMPARE(QImage::fromData(part.mid(10), "PNG").size(), QSize(2, 1));

        // A page that connects now gets both, composed.
        QWebSocket late;
        QSignalSpy latePictures(&late, &QWebSocket::binaryMessageReceived);
        late.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/subtitle").arg(m_port)));
        QVERIFY(latePictures.wait(5000));
        const QByteArray composed = latePictures.at(0).at(0).toByteArray();
        QCOMPARE(composed.left(10).toHex(), QByteArray("0000000a000500400020"));
        const QImage got = QImage::fromData(composed.mid(10), "PNG");
        QCOMPARE(got.size(), QSize(3, 2));
        QCOMPARE(got.pixel(0, 0), qRgba(255, 0, 0, 255));
        QCOMPARE(got.pixel(2, 1), qRgba(0, 0, 255, 255));
        QCOMPARE(qAlpha(got.pixel(1, 0)), 0);

        m_server->setQuestion(QStringLiteral("？？？"), 150);
        QTRY_COMPARE_WITH_TIMEOUT(texts.size(), 2, 5000);
        QCOMPARE(texts.at(1).at(0).toString(),
                 QStringLiteral("{\"clock\":150,\"question\":\"？？？\"}"));
        m_server->clearSubtitle();
        QTRY_COMPARE_WITH_TIMEOUT(pictures.size(), 4, 5000);
        QCOMPARE(pictures.at(3).at(0).toByteArray().toHex(), QByteArray("00000000000000000000"));
        QCOMPARE(texts.size(), 2);
        // A page's connection outlives the idle limit of plain requests.
        QSignalSpy gone(&subtitle, &QWebSocket::disconnected);
        QVERIFY(!gone.wait(1000));
        m_server->drawSubtitle(QSize(64, 32), QPoint(0, 0), picture);
        QTRY_COMPARE_WITH_TIMEOUT(pictures.size(), 5, 5000);
    }

    void lanWebSocketNeedsToken() // pushes readable without the token
    {
        QVERIFY(m_server->start(m_port, true, kToken));
        QWebSocket socket;
        QSignalSpy closed(&socket, &QWebSocket::disconnected);
        QSignalSpy pictures(&socket, &QWebSocket::binaryMessageReceived);
        socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/subtitle").arg(m_port)));
        QVERIFY(closed.wait(5000));
        QCOMPARE(pictures.size(), 0);
        socket.open(
            QUrl(QStringLiteral("ws://127.0.0.1:%1/subtitle?token=%2").arg(m_port).arg(kToken)));
        QVERIFY(pictures.wait(5000));
    }

private:
    std::unique_ptr<OverlayServer> m_server;
    quint16 m_port = 0;
};

QTEST_MAIN(TestOverlayServer)
#include "tst_overlayserver.moc"
