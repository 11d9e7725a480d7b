#include "loaderharness.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The local board as `./dev.sh run` starts it: its command line and its growing demo thread.
class TestBoardServer : public QObject
{
    Q_OBJECT
private slots:
    void commandLineDemo() // the demo does not start, grow or follow from the command line
    {
        QTemporaryDir dir;
        const QString portFile = dir.filePath(QStringLiteral("demo.port"));
        QProcess server;
        server.start(QStringLiteral(BOARD_SERVER_EXE),
                     {"--demo", "--port", "0", "--port-file", portFile, "--interval", "300"});
        QVERIFY2(server.waitForStarted(5000), qPrintable(server.errorString()));
        auto portNumber = [&portFile] {
            QFile f(portFile);
            return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().toUInt() : 0u;
        };
        QTRY_VERIFY_WITH_TIMEOUT(portNumber() > 0, 10000);
        const QString url =
            QStringLiteral("http://127.0.0.1:%1/test/read.cgi/demo/1700000000/").arg(portNumber());
        LoaderHarness h;
        QVERIFY(h.load(url));
        QVERIFY(h.lines.size() >= 30);
        for (const QString &line : std::as_const(h.lines))
            QVERIFY(line.split(QStringLiteral("<>")).size() == 5 && line.contains(" ID:"));
        // New posts keep coming, and follow-up loads bring them.
        auto followUp = [&h, &url] {
            h.clearRecords();
            return h.load(url) && h.lastEnd() == DatFetch::LoadEnd::Finished && !h.lines.isEmpty();
        };
        bool brought = false;
        QTRY_VERIFY_WITH_TIMEOUT(brought || (brought = followUp()), 10000);
        QVERIFY(h.state.LiveMode);
        server.terminate();
        QVERIFY(server.waitForFinished(5000));
    }
};

QTEST_GUILESS_MAIN(TestBoardServer)
#include "tst_boardserver.moc"
