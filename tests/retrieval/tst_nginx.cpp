#include "boardserver.h"
#include "loaderharness.h"
#include "platform/codec.h"
#include "threadlist/subjectfetch.h"

#include <QDir>
#include <QFile>
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
        list << QStringLiteral(
                    "名無しさん<>%1<>2023/11/15(水) 22:00:%2 ID:ngx%3<> 静的ファイル %3 <>%4")
                    .arg(n % 2 ? QStringLiteral("sage") : QString())
                    .arg(n % 60, 2, 10, QLatin1Char('0'))
                    .arg(n)
                    .arg(n == 1 ? QStringLiteral("nginx スレ") : QString());
    return list;
}

QByteArray datOf(const QStringList &lines)
{
    return Codec::toSjis(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

// A board's list through GetBoard, each row as one text, the address without its origin.
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
    void initTestCase();
    void cleanupTestCase();
    void wholeFile();
    void followUpAfterAppending();
    void followUpWithNothingNew();
    void rewrittenInPlaceThenCtrlLoad();
    void subjectListAsFromTheBoardServer();

private:
    QString datPath() const
    {
        return m_dir.filePath(QStringLiteral("html/board/dat/1234567890.dat"));
    }
    QString threadUrl() const
    {
        return QStringLiteral("http://127.0.0.1:") + QString::number(m_port) +
               QStringLiteral("/test/read.cgi/board/1234567890/");
    }

    QTemporaryDir m_dir;
    QProcess m_nginx;
    quint16 m_port = 0;
    LoaderHarness m_h;
};

void TestNginx::initTestCase()
{
    if (!QFileInfo(kNginx).isExecutable())
        QSKIP("nginx is not installed");
    QVERIFY(m_dir.isValid());
    QDir root(m_dir.path());
    QVERIFY(root.mkpath(QStringLiteral("html/board/dat")));
    QVERIFY(root.mkpath(QStringLiteral("temp")));
    QVERIFY(root.mkpath(QStringLiteral("logs")));
    QVERIFY(writeFile(datPath(), datOf(posts(1, 6)), QIODevice::WriteOnly));

    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        m_port = probe.serverPort();
    }
    const QString d = m_dir.path();
    // One process in the foreground; every path it writes lies in the temporary folder.
    const QString conf = QStringLiteral("daemon off;\n"
                                        "master_process off;\n"
                                        "worker_processes 1;\n"
                                        "pid %1/nginx.pid;\n"
                                        "error_log %1/logs/error.log;\n"
                                        "events { worker_connections 32; }\n"
                                        "http {\n"
                                        "  access_log %1/logs/access.log;\n"
                                        "  client_body_temp_path %1/temp/body;\n"
                                        "  proxy_temp_path %1/temp/proxy;\n"
                                        "  fastcgi_temp_path %1/temp/fastcgi;\n"
                                        "  uwsgi_temp_path %1/temp/uwsgi;\n"
                                        "  scgi_temp_path %1/temp/scgi;\n"
                                        "  types { text/plain dat txt; }\n"
                                        "  server {\n"
                                        "    listen 127.0.0.1:%2;\n"
                                        "    root %1/html;\n"
                                        "  }\n"
                                        "}\n")
                             .arg(d)
                             .arg(m_port);
    QVERIFY(writeFile(m_dir.filePath(QStringLiteral("nginx.conf")), conf.toUtf8(),
                      QIODevice::WriteOnly));

    m_nginx.setProcessChannelMode(QProcess::MergedChannels);
    m_nginx.start(kNginx, {QStringLiteral("-p"), d + QLatin1Char('/'), QStringLiteral("-e"),
                           d + QStringLiteral("/logs/error.log"), QStringLiteral("-c"),
                           m_dir.filePath(QStringLiteral("nginx.conf"))});
    QVERIFY2(m_nginx.waitForStarted(5000), qPrintable(m_nginx.errorString()));
    // Ready once it accepts connections.
    auto accepting = [this] {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, m_port);
        return probe.waitForConnected(200);
    };
    QTRY_VERIFY2_WITH_TIMEOUT(accepting() || m_nginx.state() == QProcess::NotRunning,
                              "nginx did not start", 10000);
    QVERIFY2(m_nginx.state() == QProcess::Running, m_nginx.readAll().constData());
}

void TestNginx::cleanupTestCase()
{
    if (m_nginx.state() == QProcess::NotRunning)
        return;
    m_nginx.terminate();
    if (!m_nginx.waitForFinished(5000)) {
        m_nginx.kill();
        m_nginx.waitForFinished(2000);
    }
}

void TestNginx::wholeFile()
{
    QVERIFY(m_h.load(threadUrl()));
    QCOMPARE(m_h.lastEnd(), LoadEnd::Finished);
    QCOMPARE(m_h.status(), QStringLiteral("受信終了"));
    QCOMPARE(m_h.lines, posts(1, 6));
    QCOMPARE(m_h.state.DatBytes, datOf(posts(1, 6)));
    QCOMPARE(m_h.loader->fetch().response().statusLine(), QStringLiteral("HTTP/1.1 200 OK"));
}

void TestNginx::followUpAfterAppending()
{
    QVERIFY(writeFile(datPath(), datOf(posts(7, 9)), QIODevice::Append));
    m_h.clearRecords();
    QVERIFY(m_h.load(threadUrl()));
    QCOMPARE(m_h.lastEnd(), LoadEnd::Finished);
    QCOMPARE(m_h.loader->fetch().response().statusLine(),
             QStringLiteral("HTTP/1.1 206 Partial Content"));
    QVERIFY(m_h.loader->fetch().request().contains(
        "\r\nRange: bytes=" + QByteArray::number(datOf(posts(1, 6)).size() - 1) + "-\r\n"));
    QCOMPARE(m_h.lines, posts(7, 9));
    QCOMPARE(m_h.state.DatBytes, datOf(posts(1, 9)));
    QVERIFY(m_h.state.LiveMode);
}

void TestNginx::followUpWithNothingNew()
{
    m_h.clearRecords();
    QVERIFY(m_h.load(threadUrl()));
    QCOMPARE(m_h.status(), QStringLiteral("受信終了"));
    QCOMPARE(m_h.loader->fetch().response().ContentLength(), 1);
    QVERIFY(m_h.lines.isEmpty());
    QCOMPARE(m_h.state.DatBytes, datOf(posts(1, 9)));
}

void TestNginx::rewrittenInPlaceThenCtrlLoad()
{
    QStringList changed = posts(1, 9);
    changed[2] = QStringLiteral("あぼーん<>あぼーん<>あぼーん ID:DELETED<> あぼーん <>");
    changed << posts(10, 10);
    QVERIFY(writeFile(datPath(), datOf(changed), QIODevice::WriteOnly | QIODevice::Truncate));
    const QByteArray copy = m_h.state.DatBytes;

    m_h.clearRecords();
    QVERIFY(m_h.load(threadUrl()));
    QCOMPARE(m_h.lastEnd(), LoadEnd::DifferentialFailed);
    QCOMPARE(m_h.status(),
             QStringLiteral("差分取得に失敗 Ctrlキーを押しながら更新してみてください"));
    QVERIFY(m_h.lines.isEmpty());
    QCOMPARE(m_h.state.DatBytes, copy);

    m_h.clearRecords();
    QVERIFY(m_h.load(threadUrl(), true));
    QCOMPARE(m_h.lastEnd(), LoadEnd::Finished);
    QCOMPARE(m_h.restarts, 1);
    QCOMPARE(m_h.lines, changed);
    QCOMPARE(m_h.state.DatBytes, datOf(changed));
    QVERIFY(!m_h.state.LiveMode);
}

void TestNginx::subjectListAsFromTheBoardServer()
{
    BoardServer board;
    QVERIFY(board.listen());
    board.setDat(QStringLiteral("board"), QStringLiteral("1699956800"), datOf(posts(1, 6)));
    board.setDat(QStringLiteral("board"), QStringLiteral("1699913600"), datOf(posts(1, 2)));
    // The board server's list, byte for byte, as nginx's static file.
    QTcpSocket get;
    QByteArray answer;
    connect(&get, &QTcpSocket::readyRead, this, [&] { answer += get.readAll(); });
    get.connectToHost(QHostAddress::LocalHost, board.port());
    get.write("GET /board/subject.txt HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(get.state(), QAbstractSocket::UnconnectedState, 5000);
    const QByteArray subject = answer.mid(answer.indexOf("\r\n\r\n") + 4);
    QVERIFY(subject.contains("1699913600.dat<>"));
    QVERIFY(writeFile(m_dir.filePath(QStringLiteral("html/board/subject.txt")), subject,
                      QIODevice::WriteOnly));

    const QStringList fromBoard = listOf(board.origin() + QStringLiteral("/board/"));
    QCOMPARE(fromBoard.size(), 2);
    QCOMPARE(listOf(QStringLiteral("http://127.0.0.1:") + QString::number(m_port) +
                    QStringLiteral("/board/")),
             fromBoard);
}

QTEST_GUILESS_MAIN(TestNginx)
#include "tst_nginx.moc"
