#include "boardserver.h"
#include "loaderharness.h"
#include "support/testhome.h"

#include <QProcess>
#include <QSslCertificate>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using LoadEnd = DatFetch::LoadEnd;

namespace {

const QString kBoard = QStringLiteral("board");
const QString kKey = QStringLiteral("1234567890");

// Its output (with "ok" after it), or nothing when it failed.
QByteArray openssl(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral("openssl"), arguments);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QByteArray();
    return p.readAllStandardOutput() + "ok";
}

// The child process: one load of SAZANAMI_FETCH_ONCE, trusting only what the system trusts
// (plus the certificates of SAZANAMI_EXTRA_CA when set), reported as "END LINES STATUS".
int fetchOnce(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString extra = qEnvironmentVariable("SAZANAMI_EXTRA_CA");
    LoaderHarness h;
    if (!extra.isEmpty())
        BoardSocket::addCaCertificates(QSslCertificate::fromPath(extra));
    if (!h.load(qEnvironmentVariable("SAZANAMI_FETCH_ONCE"), false, 10000))
        return 2;
    QTextStream(stdout) << QMetaEnum::fromType<LoadEnd>().valueToKey(int(h.lastEnd())) << ' '
                        << h.lines.size() << ' ' << h.status() << Qt::endl;
    return 0;
}

} // namespace

// Loads over https from the local board serving TLS with a certificate made for the test.
class TestDatFetchTls : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!QSslSocket::supportsSsl())
            QSKIP("no TLS backend");
        QVERIFY(m_dir.isValid());
        // The board's certificate, its own authority; and an unrelated authority.
        for (const char *name : {"board", "other"}) {
            const QString stem = m_dir.filePath(QLatin1String(name));
            QVERIFY(
                !openssl({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", stem + ".key",
                          "-out", stem + ".pem", "-days", "2", "-subj",
                          "/CN=" + QLatin1String(name), "-addext", "subjectAltName=IP:127.0.0.1"})
                     .isEmpty());
        }
        m_certificate = QSslCertificate::fromPath(m_dir.filePath(QStringLiteral("board.pem")));
        QCOMPARE(m_certificate.size(), 1);
    }

    void init()
    {
        m_server = std::make_unique<BoardServer>();
        QVERIFY2(m_server->listenTls(m_dir.filePath(QStringLiteral("board.pem")),
                                     m_dir.filePath(QStringLiteral("board.key"))),
                 qPrintable(m_server->errorString()));
        m_server->setDat(kBoard, kKey, datOf(datPosts(1, 4)));
        m_h = std::make_unique<LoaderHarness>();
    }

    void cleanup()
    {
        m_h.reset();
        m_server.reset();
    }

    void certificateForAnotherName() // a trusted certificate of another host accepted
    {
        // Trusted, but issued for 127.0.0.1 only.
        BoardSocket::addCaCertificates(m_certificate);
        BoardSocket::setHostOverride(QStringLiteral("board.example"), QStringLiteral("127.0.0.1"),
                                     m_server->port());
        const QString origin = QStringLiteral("https://board.example:%1").arg(m_server->port());
        QVERIFY(m_h->load(threadAddress(origin, kBoard, kKey)));
        QCOMPARE(m_h->lastEnd(), LoadEnd::TlsRefused);
        QVERIFY(m_server->requests().isEmpty());
    }

    void slowHandshakeIsNoConnectFailure() // a slow handshake counted against the connect limit
    {
        BoardSocket::Limits limits;
        limits.connectMs = 500;
        m_h->loader->fetch().setLimits(limits);
        BoardSocket::addCaCertificates(m_certificate);
        BoardServer::Behaviour b;
        b.handshakeDelayMs = 1500;
        m_server->setBehaviour(b);
        QVERIFY(m_h->load(threadUrl()));
        QCOMPARE(m_h->lastEnd(), LoadEnd::Finished);
    }

    void systemTrustStore_data()
    {
        QTest::addColumn<bool>("authorityInSystemStore");
        QTest::addColumn<bool>("extraAuthority");
        QTest::addColumn<QString>("end");
        QTest::addColumn<int>("lines");
        // The release's road: the board's authority is trusted by the system, nothing injected.
        QTest::newRow("system store") << true << false << "Finished" << 4;
        // An added authority goes on top of the system's roots, not in their place.
        QTest::newRow("system store and an extra authority") << true << true << "Finished" << 4;
        QTest::newRow("authority unknown") << false << false << "TlsRefused" << 0;
    }

    void systemTrustStore() // the system's roots dropped: every real board refused
    {
        QFETCH(bool, authorityInSystemStore);
        QFETCH(bool, extraAuthority);
        QFETCH(QString, end);
        QFETCH(int, lines);
        if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty())
            QSKIP("needs root and unshare for a private view of the system's certificate folder");

        // The system's certificate folder with the test authority added, mounted over the real one
        // in a private mount namespace of the child only (the qt here does not read SSL_CERT_FILE).
        const QString store = m_dir.filePath(QStringLiteral("certs"));
        if (!QFileInfo::exists(store)) {
            // As update-ca-certificates leaves it: the certificate added, links named by hashes.
            QCOMPARE(QProcess::execute(QStringLiteral("cp"), {"-a", "/etc/ssl/certs", store}), 0);
            // Only what resolves: rehash fails on a link whose certificate another program removed.
            for (const QFileInfo &f :
                 QDir(store).entryInfoList(QDir::System | QDir::NoDotAndDotDot))
                QVERIFY(!f.isSymLink() || f.exists() || QFile::remove(f.filePath()));
            QVERIFY(QFile::copy(m_dir.filePath(QStringLiteral("board.pem")),
                                store + QStringLiteral("/sazanami-test-ca.pem")));
            QVERIFY(!openssl({"rehash", store}).isEmpty());
        }
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SAZANAMI_FETCH_ONCE"), threadUrl());
        if (extraAuthority)
            env.insert(QStringLiteral("SAZANAMI_EXTRA_CA"),
                       m_dir.filePath(QStringLiteral("other.pem")));
        child.setProcessEnvironment(env);
        const QString self = QCoreApplication::applicationFilePath();
        if (authorityInSystemStore)
            child.start(
                QStringLiteral("unshare"),
                {QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"),
                 QStringLiteral("mount --bind \"$1\" /etc/ssl/certs || exit 77; exec \"$2\""),
                 QStringLiteral("sh"), store, self});
        else
            child.start(self);
        QSignalSpy finished(&child, &QProcess::finished);
        QVERIFY(finished.wait(20000));
        if (child.exitCode() == 77 || child.readAllStandardError().startsWith("unshare:"))
            QSKIP("no private mount namespace here");
        const QString out = QString::fromUtf8(child.readAllStandardOutput()).trimmed();
        QCOMPARE(out.section(QLatin1Char(' '), 0, 1),
                 end + QLatin1Char(' ') + QString::number(lines));
    }

private:
    QString threadUrl() const { return threadAddress(m_server->origin(), kBoard, kKey); }

    QTemporaryDir m_dir;
    QList<QSslCertificate> m_certificate;
    std::unique_ptr<BoardServer> m_server;
    std::unique_ptr<LoaderHarness> m_h;
};

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet("SAZANAMI_FETCH_ONCE"))
        return fetchOnce(argc, argv);
    QCoreApplication app(argc, argv);
    TestDatFetchTls test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_datfetch_tls.moc"
