#include "loaderharness.h"
#include "support/testhome.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kNginx = QStringLiteral("/usr/sbin/nginx");

bool writeFile(const QString &path, const QByteArray &bytes, QIODevice::OpenMode mode)
{
    QFile file(path);
    return file.open(mode) && file.write(bytes) == bytes.size();
}

} // namespace

// A 2channel-style data file served by nginx as a plain static file, the way boards serve it.
class TestNginx : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!QFileInfo(kNginx).isExecutable())
            QSKIP("nginx is not installed");
        QDir root(m_dir.path());
        QVERIFY(root.mkpath(QStringLiteral("html/b/dat")) && root.mkpath(QStringLiteral("logs")));
        QVERIFY(writeFile(datPath(), datOf(datPosts(1, 6)), QIODevice::WriteOnly));
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            m_port = probe.serverPort();
        }
        // One process in the foreground; every path it writes lies in the temporary folder.
        const QString conf =
            QStringLiteral("daemon off; master_process off; worker_processes 1;\n"
                           "pid %1/nginx.pid; error_log %1/logs/error.log;\n"
                           "events { worker_connections 32; }\n"
                           "http { access_log %1/logs/access.log;\n"
                           "  client_body_temp_path %1/logs/body; proxy_temp_path %1/logs/proxy;\n"
                           "  fastcgi_temp_path %1/logs/fastcgi; uwsgi_temp_path %1/logs/uwsgi;\n"
                           "  scgi_temp_path %1/logs/scgi; types { text/plain dat txt; }\n"
                           "  server { listen 127.0.0.1:%2; root %1/html; } }\n")
                .arg(m_dir.path())
                .arg(m_port);
        QVERIFY(writeFile(m_dir.filePath(QStringLiteral("nginx.conf")), conf.toUtf8(),
                          QIODevice::WriteOnly));
        m_nginx.setProcessChannelMode(QProcess::MergedChannels);
        m_nginx.start(kNginx, {"-p", m_dir.path() + "/", "-e", m_dir.filePath("logs/error.log"),
                               "-c", m_dir.filePath(QStringLiteral("nginx.conf"))});
        QVERIFY2(m_nginx.waitForStarted(5000), qPrintable(m_nginx.errorString()));
        auto accepting = [this] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, m_port);
            return probe.waitForConnected(200);
        };
        QTRY_VERIFY_WITH_TIMEOUT(accepting() || m_nginx.state() == QProcess::NotRunning, 10000);
        QVERIFY2(m_nginx.state() == QProcess::Running, m_nginx.readAll().constData());
    }

    void cleanupTestCase()
    {
        m_nginx.kill();
        m_nginx.waitForFinished(5000);
    }

    void followsTheFileAsItChanges() // a real server's answers read wrongly, a deletion stops it
    {
        QSignalSpy refetched(m_h.loader.get(), &ThreadLoader::refetched);
        QVERIFY(m_h.load(threadUrl()));
        QCOMPARE(m_h.lines, datPosts(1, 6));
        // Rewritten in place (the LF check fails), then a file that shrinks (416).
        QStringList changed = datPosts(1, 7);
        changed[2] = QStringLiteral("あぼーん<>あぼーん<>あぼーん ID:DELETED<> あぼーん <>");
        QStringList shrunk = changed;
        shrunk.removeAt(4);
        shrunk.removeAt(4);
        for (const QStringList *each : {&changed, &shrunk}) {
            const QStringList &thread = *each;
            QVERIFY(
                writeFile(datPath(), datOf(thread), QIODevice::WriteOnly | QIODevice::Truncate));
            QVERIFY(reload());
            QCOMPARE(m_h.status(), QStringLiteral("受信終了（レスが削除されたため、スレッドを最初"
                                                  "から読み込み直しました）"));
            QVERIFY(m_h.statuses.contains(
                &thread == &changed
                    ? QStringLiteral("差分取得に失敗 Ctrlキーを押しながら更新してみてください")
                    : QStringLiteral("HTTP/1.1 416 Requested Range Not Satisfiable")));
            QCOMPARE(m_h.restarts, 1);
            QCOMPARE(m_h.lines, thread);
            QCOMPARE(m_h.state.DatBytes, datOf(thread));
        }
        QCOMPARE(refetched.size(), 2);
        // Following goes on with Range requests; nothing new is the check byte alone.
        QVERIFY(writeFile(datPath(), datOf(datPosts(8, 8)), QIODevice::Append));
        QVERIFY(reload());
        QCOMPARE(m_h.lines, datPosts(8, 8));
        QVERIFY(reload());
        QCOMPARE(m_h.status(), QStringLiteral("受信終了"));
        QVERIFY(m_h.lines.isEmpty());
        QCOMPARE(refetched.size(), 2);
    }

private:
    bool reload()
    {
        m_h.clearRecords();
        return m_h.load(threadUrl());
    }
    QString datPath() const { return m_dir.filePath(QStringLiteral("html/b/dat/123.dat")); }
    QString threadUrl() const
    {
        return threadAddress(QStringLiteral("http://127.0.0.1:") + QString::number(m_port),
                             QStringLiteral("b"), QStringLiteral("123"));
    }

    QTemporaryDir m_dir;
    QProcess m_nginx;
    quint16 m_port = 0;
    LoaderHarness m_h;
};

QTEST_GUILESS_MAIN(TestNginx)
#include "tst_nginx.moc"
