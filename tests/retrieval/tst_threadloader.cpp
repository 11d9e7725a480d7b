#include "retrieval/threadloader.h"
#include "retrieval/threadstate.h"

#include <QtTest>

// The load command's decisions that end before any connection is made.
class TestThreadLoader : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_state = ThreadState();
        // A thread is loaded already: a refusal must leave it alone.
        m_state.CurrentUrl = QStringLiteral("http://example.com/test/read.cgi/board/1/");
        m_state.BoardKind = Boards::Kind::Shitaraba;
        m_state.LiveMode = true;
        m_state.ResTotal = 12;
        m_state.DatBytes = "a\nb\n";
        m_state.DatSize = 4;
        m_statuses.clear();
        m_addressWrites.clear();
        m_restarts = 0;
        m_lines = 0;
        m_loader = std::make_unique<ThreadLoader>(m_state);
        ThreadLoader *l = m_loader.get();
        connect(l, &ThreadLoader::statusChanged, l, [this](const QString &t) { m_statuses << t; });
        connect(l, &ThreadLoader::addressTextChanged, l,
                [this](const QString &t) { m_addressWrites << t; });
        connect(l, &ThreadLoader::viewRestartRequested, l, [this] { ++m_restarts; });
        connect(
            l, &ThreadLoader::linesReceived, l,
            [this](const QStringList &lines, const QString &) { m_lines += int(lines.size()); });
    }

    void refusedAddresses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("status");
        QTest::addColumn<Boards::Kind>("boardKind");
        const QString refused =
            QStringLiteral("2chはあえて読めないようにしてます。外部板で使いましょう");
        const QString unknown = QStringLiteral("このURLは表示できません");
        const QString noThread = QStringLiteral(
            "このURLからはスレッドの場所がわかりません（板名とスレッド番号を確認してください）");
        QTest::newRow("central")
            << "https://hayabusa9.5ch.net/test/read.cgi/livejupiter/1700000000/" << refused
            << Boards::Kind::TwoChannel;
        QTest::newRow("central data file") << "http://hayabusa9.5ch.net/livejupiter/dat/1.dat"
                                           << unknown << Boards::Kind::Shitaraba;
        // A board's own page where a thread was meant says so.
        const QString board = QStringLiteral("これは板のURLです。スレッドのURLを入力してください");
        QTest::newRow("rental board page")
            << "http://jbbs.shitaraba.net/game/12345/" << board << Boards::Kind::Shitaraba;
        QTest::newRow("board index") << "http://example.com/pre/board/index.html" << board
                                     << Boards::Kind::Shitaraba;
        QTest::newRow("three directories")
            << "http://example.com/a/b/c/" << unknown << Boards::Kind::Shitaraba;
        QTest::newRow("no key") << "http://example.com/test/read.cgi/board/" << noThread
                                << Boards::Kind::TwoChannel;
        QTest::newRow("no slash after host")
            << "test/read.cgi/board/1234567890/" << noThread << Boards::Kind::TwoChannel;
        QTest::newRow("bad port") << "http://example.com:99999/test/read.cgi/board/1/"
                                  << "URLのポート番号が正しくありません"
                                  << Boards::Kind::TwoChannel;
    }

    void refusedAddresses()
    {
        QFETCH(QString, address);
        QFETCH(QString, status);
        QFETCH(Boards::Kind, boardKind);
        const ThreadState before = m_state;
        m_loader->load(address, false);
        QCOMPARE(m_statuses, QStringList{status});
        // Only the board kind may change; the loaded thread stays.
        QCOMPARE(m_state.BoardKind, boardKind);
        QVERIFY(m_state.Ready);
        QCOMPARE(m_state.CurrentUrl, before.CurrentUrl);
        QCOMPARE(m_state.LiveMode, before.LiveMode);
        QCOMPARE(m_state.ResTotal, before.ResTotal);
        QCOMPARE(m_state.DatBytes, before.DatBytes);
        QCOMPARE(m_state.DatSize, before.DatSize);
        QCOMPARE(m_restarts, 0);
        QVERIFY(m_addressWrites.isEmpty());
        QVERIFY(!m_loader->fetch().socket().isActive());
    }

    void rentalAddressCutBackThenRejected()
    {
        m_state.BoardKind = Boards::Kind::TwoChannel;
        // Seven "/" after the cut: the key lost its final "/".
        m_loader->load(
            QStringLiteral("http://jbbs.shitaraba.net/bbs/read.cgi/game/12345/1234567890"), false);
        QCOMPARE(m_addressWrites,
                 QStringList{QStringLiteral("http://jbbs.shitaraba.net/bbs/read.cgi/game/12345/")});
        QCOMPARE(m_statuses, QStringList{QStringLiteral("したばらのURLっぽいけど、なんか変です")});
        QCOMPARE(m_state.BoardKind, Boards::Kind::TwoChannel);
        QVERIFY(m_state.Ready);
        QCOMPARE(m_restarts, 0);

        // One "/" too many is rejected without a cut.
        m_addressWrites.clear();
        m_statuses.clear();
        m_loader->load(
            QStringLiteral("http://jbbs.livedoor.jp/bbs/read.cgi/game/12345/1234567890/x/"), false);
        QVERIFY(m_addressWrites.isEmpty());
        QCOMPARE(m_statuses, QStringList{QStringLiteral("したばらのURLっぽいけど、なんか変です")});
    }

    void loadDuringALoadDoesNothing()
    {
        m_state.Ready = false;
        const ThreadState before = m_state;
        m_loader->load(QStringLiteral("http://hayabusa9.5ch.net/test/read.cgi/news/1/"), false);
        m_loader->load(QStringLiteral("http://jbbs.shitaraba.net/bbs/read.cgi/a/1/2"), false);
        QVERIFY(m_statuses.isEmpty());
        QVERIFY(m_addressWrites.isEmpty());
        QCOMPARE(m_state.CurrentUrl, before.CurrentUrl);
        QCOMPARE(m_state.BoardKind, before.BoardKind);
        QVERIFY(!m_state.Ready);
    }

private:
    ThreadState m_state;
    QStringList m_statuses;
    QStringList m_addressWrites;
    int m_restarts = 0;
    int m_lines = 0;
    std::unique_ptr<ThreadLoader> m_loader;
};

QTEST_GUILESS_MAIN(TestThreadLoader)
#include "tst_threadloader.moc"
