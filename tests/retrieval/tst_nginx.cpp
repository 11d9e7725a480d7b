#include "boardserver.h"
#include "loaderharness.h"
#include "platform/codec.h"
#include "support/testhome.h"
#include "threadlist/subjectfetch.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

using LoadEnd = DatFetch::LoadEnd;

namespace {

const QString kNginx = QStringLiteral("/usr/sbin/nginx");

QStringList posts(int from, int to)
{
    QStringList list;
    for (int n = from; n <= to; ++n)
        list << QStringLiteral("名無しさん<>sage<>2023/11/15 ID:ngx%1<> 静的ファイル %1 <>").arg(n);
    return list;
}

QByteArray datOf(const QStringList &lines)
{
    return Codec::toSjis(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

bool writeFile(const QString &path, const QByteArray &bytes, QIODevice::OpenMode mode)
{
    QFile file(path);
    return file.open(mode) && file.write(bytes) == bytes.size();
}

QStringList listOf(const QString &boardUrl)
{
    SubjectFetch fetch;
    fetch.setClock([] { return qint64(1700000000); });
    QStringList rows;
    QObject::connect(&fetch, &SubjectFetch::listEnded, [&](const QVector<ThreadRow> &list) {
        for (const ThreadRow &r : list)
            rows << r.Num + r.Title + r.Res + r.Power + r.Url.mid(r.Url.indexOf("/test/"));
    });
    QSignalSpy ended(&fetch, &SubjectFetch::listEnded);
    fetch.GetBoard(boardUrl, false);
    ended.wait(8000);
    return rows;
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
        QVERIFY(writeFile(datPath(), datOf(posts(1, 6)), QIODevice::WriteOnly));
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
        if (m_nginx.state() == QProcess::NotRunning)
            return;
        m_nginx.terminate();
        if (!m_nginx.waitForFinished(5000))
            m_nginx.kill();
        m_nginx.waitForFinished(2000);
    }

    void wholeFileThenFollowUps() // a real server's 200/206 answers read wrongly
    {
        QVERIFY(m_h.load(threadUrl()));
        QCOMPARE(m_h.lastEnd(), LoadEnd::Finished);
        QCOMPARE(m_h.lines, posts(1, 6));
        QVERIFY(writeFile(datPath(), datOf(posts(7, 9)), QIODevice::Append));
        m_h.clearRecords();
        QVERIFY(m_h.load(threadUrl()));
        QCOMPARE(m_h.loader->fetch().response().statusLine(),
                 QStringLiteral("HTTP/1.1 206 Partial Content"));
        QCOMPARE(m_h.lines, posts(7, 9));
        QCOMPARE(m_h.state.DatBytes, datOf(posts(1, 9)));
        m_h.clearRecords();
        QVERIFY(m_h.load(threadUrl()));
        QCOMPARE(m_h.status(), QStringLiteral("受信終了"));
        QVERIFY(m_h.lines.isEmpty());
        QCOMPARE(m_h.state.DatBytes, datOf(posts(1, 9)));
    }

    void deletedPostsFetchTheWholeThreadOnce() // a deletion stops following the thread
    {
        QSignalSpy refetched(m_h.loader.get(), &ThreadLoader::refetched);
        const QString note =
            QStringLiteral("受信終了（レスが削除されたため、スレッドを最初から読み込み直しました）");
        // Rewritten in place (the LF check fails), then a file that shrinks (416).
        QStringList changed = posts(1, 9);
        changed[2] = QStringLiteral("あぼーん<>あぼーん<>あぼーん ID:DELETED<> あぼーん <>");
        changed << posts(10, 10);
        QStringList shrunk = changed;
        shrunk.removeAt(4);
        shrunk.removeAt(4);
        for (const QStringList *each : {&changed, &shrunk}) {
            const QStringList &thread = *each;
            QVERIFY(writeFile(datPath(), datOf(thread), QIODevice::WriteOnly | QIODevice::Truncate));
            m_h.clearRecords();
            QVERIFY(m_h.load(threadUrl()));
            QCOMPARE(m_h.lastEnd(), LoadEnd::Finished);
            QCOMPARE(m_h.status(), note);
            QVERIFY(m_h.statuses.contains(
                &thread == &changed
                    ? QStringLiteral("差分取得に失敗 Ctrlキーを押しながら更新してみてください")
                    : QStringLiteral("HTTP/1.1 416 Requested Range Not Satisfiable")));
            QCOMPARE(m_h.restarts, 1);
            QCOMPARE(m_h.lines, thread);
            QCOMPARE(m_h.state.DatBytes, datOf(thread));
        }
        QCOMPARE(m_h.loader->fetch().response().statusLine(), QStringLiteral("HTTP/1.1 200 OK"));
        QCOMPARE(refetched.size(), 2);
        // A Ctrl load reads the whole file as before, nothing more.
        m_h.clearRecords();
        QVERIFY(m_h.load(threadUrl(), true));
        QCOMPARE(m_h.status(), QStringLiteral("受信終了"));
        QCOMPARE(m_h.lines, shrunk);
        QVERIFY(!m_h.state.LiveMode);
        QCOMPARE(refetched.size(), 2);
    }

    void subjectListAsFromTheBoardServer() // a real server's subject.txt listed differently
    {
        BoardServer board;
        QVERIFY(board.listen());
        board.setDat(QStringLiteral("b"), QStringLiteral("1699956800"), datOf(posts(1, 6)));
        board.setDat(QStringLiteral("b"), QStringLiteral("1699913600"), datOf(posts(1, 2)));
        // The board server's list, byte for byte, as nginx's static file.
        QTcpSocket get;
        QByteArray answer;
        connect(&get, &QTcpSocket::readyRead, this, [&] { answer += get.readAll(); });
        get.connectToHost(QHostAddress::LocalHost, board.port());
        get.write("GET /b/subject.txt HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(get.state(), QAbstractSocket::UnconnectedState, 5000);
        const QByteArray subject = answer.mid(answer.indexOf("\r\n\r\n") + 4);
        QVERIFY(subject.contains("1699913600.dat<>"));
        QVERIFY(writeFile(m_dir.filePath(QStringLiteral("html/b/subject.txt")), subject,
                          QIODevice::WriteOnly));
        const QStringList fromBoard = listOf(board.origin() + QStringLiteral("/b/"));
        QCOMPARE(fromBoard.size(), 2);
        QCOMPARE(listOf(QStringLiteral("http://127.0.0.1:") + QString::number(m_port) +
                        QStringLiteral("/b/")),
                 fromBoard);
    }

private:
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
