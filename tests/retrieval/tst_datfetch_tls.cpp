#include "boardserver.h"
#include "loaderharness.h"
#include "platform/codec.h"

#include <QProcess>
#include <QSslCertificate>
#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

using LoadEnd = DatFetch::LoadEnd;

namespace {

const QString kBoard = QStringLiteral("board");
const QString kKey = QStringLiteral("1234567890");

QStringList posts(int from, int to)
{
    QStringList list;
    for (int n = from; n <= to; ++n)
        list << QStringLiteral("名無しさん<>sage<>2023/11/15 ID:tls%1<> 暗号化 %1 番 <>%2")
                    .arg(n)
                    .arg(n == 1 ? QStringLiteral("https スレ") : QString());
    return list;
}

QByteArray datOf(const QStringList &lines)
{
    return Codec::toSjis(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

} // namespace

// Loads over https from the local board serving TLS with a certificate made for the test.
class TestDatFetchTls : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void firstAndFollowUpLoad();
    void untrustedCertificateIsRefused();
    void certificateForAnotherName();
    void brokenRecordWhileReceiving();
    void handshakeNeverAnswered();

private:
    QString threadUrl(const QString &host = QStringLiteral("127.0.0.1")) const
    {
        return QStringLiteral("https://") + host + QLatin1Char(':') +
               QString::number(m_server->port()) + QStringLiteral("/test/read.cgi/") + kBoard +
               QLatin1Char('/') + kKey + QLatin1Char('/');
    }

    QTemporaryDir m_dir;
    QList<QSslCertificate> m_certificate;
    std::unique_ptr<BoardServer> m_server;
    std::unique_ptr<LoaderHarness> m_h;
};

void TestDatFetchTls::initTestCase()
{
    if (!QSslSocket::supportsSsl())
        QSKIP("no TLS backend");
    QVERIFY(m_dir.isValid());
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"),
                   m_dir.filePath(QStringLiteral("key.pem")), QStringLiteral("-out"),
                   m_dir.filePath(QStringLiteral("cert.pem")), QStringLiteral("-days"),
                   QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                   QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1")});
    QVERIFY2(openssl.waitForFinished(30000), "openssl did not finish");
    QVERIFY2(openssl.exitCode() == 0, openssl.readAll().constData());
    m_certificate = QSslCertificate::fromPath(m_dir.filePath(QStringLiteral("cert.pem")));
    QCOMPARE(m_certificate.size(), 1);
}

void TestDatFetchTls::init()
{
    m_server = std::make_unique<BoardServer>();
    QVERIFY2(m_server->listenTls(m_dir.filePath(QStringLiteral("cert.pem")),
                                 m_dir.filePath(QStringLiteral("key.pem"))),
             qPrintable(m_server->errorString()));
    m_server->setDat(kBoard, kKey, datOf(posts(1, 4)));
    m_h = std::make_unique<LoaderHarness>();
}

void TestDatFetchTls::cleanup()
{
    m_h.reset();
    m_server.reset();
}

void TestDatFetchTls::firstAndFollowUpLoad()
{
    BoardSocket::addCaCertificates(m_certificate);
    QVERIFY(m_h->load(threadUrl()));
    QCOMPARE(m_h->lastEnd(), LoadEnd::Finished);
    const QByteArray port = QByteArray::number(m_server->port());
    QCOMPARE(m_server->requests().last().head,
             "GET /board/dat/1234567890.dat HTTP/1.0\r\nHost: 127.0.0.1:" + port +
                 "\r\nUser-Agent: Monazilla/1.00 sazanami/1.21\r\nConnection: Close");
    QCOMPARE(m_h->statuses.value(0), QStringLiteral("127.0.0.1:") + QString::fromLatin1(port) +
                                         QStringLiteral("に接続中..."));
    QCOMPARE(m_h->statuses.value(1), QStringLiteral("受信待機中..."));
    QCOMPARE(m_h->status(), QStringLiteral("受信終了"));
    QCOMPARE(m_h->lines, posts(1, 4));
    const QByteArray first = m_server->dat(kBoard, kKey);
    QCOMPARE(m_h->state.DatBytes, first);

    m_server->appendDat(kBoard, kKey, datOf(posts(5, 6)));
    m_h->clearRecords();
    QVERIFY(m_h->load(threadUrl()));
    QCOMPARE(m_h->lastEnd(), LoadEnd::Finished);
    QVERIFY(m_server->requests().last().head.contains(
        "\r\nRange: bytes=" + QByteArray::number(first.size() - 1) + "-\r\n"));
    QCOMPARE(m_h->lines, posts(5, 6));
    QCOMPARE(m_h->state.DatBytes, m_server->dat(kBoard, kKey));
    QVERIFY(m_h->state.LiveMode);

    m_h->clearRecords();
    QVERIFY(m_h->load(threadUrl()));
    QCOMPARE(m_h->status(), QStringLiteral("受信終了"));
    QVERIFY(m_h->lines.isEmpty());
}

void TestDatFetchTls::untrustedCertificateIsRefused()
{
    QVERIFY(m_h->load(threadUrl()));
    QCOMPARE(m_h->lastEnd(), LoadEnd::TlsRefused);
    const QString remote = QStringLiteral("127.0.0.1:") + QString::number(m_server->port());
    QVERIFY2(m_h->status().startsWith(
                 remote + QStringLiteral("のサーバー証明書を信頼できないため接続を中止しました（")),
             qPrintable(m_h->status()));
    QVERIFY(m_server->requests().isEmpty());
    QVERIFY(m_h->lines.isEmpty());
    QVERIFY(m_h->state.DatBytes.isEmpty());
    QVERIFY(m_h->state.Ready);

    // Trusting the certificate makes the same address load.
    BoardSocket::addCaCertificates(m_certificate);
    QVERIFY(m_h->load(threadUrl()));
    QCOMPARE(m_h->lastEnd(), LoadEnd::Finished);
    QCOMPARE(m_h->lines, posts(1, 4));
}

void TestDatFetchTls::certificateForAnotherName()
{
    // Trusted, but issued for 127.0.0.1 only.
    BoardSocket::addCaCertificates(m_certificate);
    BoardSocket::setHostOverride(QStringLiteral("board.example"), QStringLiteral("127.0.0.1"),
                                 m_server->port());
    QVERIFY(m_h->load(threadUrl(QStringLiteral("board.example"))));
    QCOMPARE(m_h->lastEnd(), LoadEnd::TlsRefused);
    QVERIFY(m_h->status().contains(QStringLiteral("証明書")));
    QVERIFY(m_server->requests().isEmpty());
}

void TestDatFetchTls::brokenRecordWhileReceiving()
{
    BoardSocket::addCaCertificates(m_certificate);
    const QByteArray twoLines = datOf(posts(1, 2));
    QVERIFY(m_h->load(threadUrl()));
    const qint64 header = m_h->loader->fetch().response().RecvHeader().size() + 3;
    m_h->state = ThreadState();

    BoardServer::Behaviour b;
    b.closeAfter = header + twoLines.size() + 5;
    b.tlsGarbageAtEnd = true;
    m_server->setBehaviour(b);
    m_h->clearRecords();
    QVERIFY(m_h->load(threadUrl()));
    QCOMPARE(m_h->lastEnd(), LoadEnd::SocketError);
    QVERIFY2(m_h->status().startsWith(QStringLiteral("通信エラーのため受信が中断されました（")),
             qPrintable(m_h->status()));
    QCOMPARE(m_h->lines, posts(1, 2));
    QCOMPARE(m_h->state.DatBytes, twoLines);
    QVERIFY(m_h->state.Ready);

    m_server->setBehaviour(BoardServer::Behaviour());
    m_h->clearRecords();
    QVERIFY(m_h->load(threadUrl()));
    QCOMPARE(m_h->lastEnd(), LoadEnd::Finished);
    QCOMPARE(m_h->lines, posts(3, 4));
    QCOMPARE(m_h->state.DatBytes, m_server->dat(kBoard, kKey));
}

void TestDatFetchTls::handshakeNeverAnswered()
{
    // The connection is taken but the TLS handshake never answered: its own limit ends it.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    const QString url = QStringLiteral("https://127.0.0.1:") +
                        QString::number(silent.serverPort()) +
                        QStringLiteral("/test/read.cgi/board/1/");
    QCOMPARE(BoardSocket::Limits().handshakeMs, 10000);
    BoardSocket::Limits limits;
    limits.connectMs = 500;
    limits.handshakeMs = 2000;
    m_h->loader->fetch().setLimits(limits);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(m_h->load(url, false, 8000));
    QCOMPARE(m_h->lastEnd(), LoadEnd::HandshakeTimedOut);
    QVERIFY(clock.elapsed() >= limits.handshakeMs);
    QCOMPARE(m_h->status(),
             QStringLiteral("127.0.0.1:") + QString::number(silent.serverPort()) +
                 QStringLiteral("との暗号化通信の確立が2秒以内に終わりませんでした"));
    QVERIFY(m_h->state.Ready);
}

QTEST_GUILESS_MAIN(TestDatFetchTls)
#include "tst_datfetch_tls.moc"
