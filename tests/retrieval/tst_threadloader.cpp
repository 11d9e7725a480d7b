#include "loaderharness.h"

#include <QtTest>

// The load command's decisions that end before any connection is made.
class TestThreadLoader : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_h = std::make_unique<LoaderHarness>();
        // A thread is loaded already: a refusal must leave it alone.
        m_h->state.CurrentUrl = QStringLiteral("http://example.com/test/read.cgi/board/1/");
        m_h->state.BoardKind = Boards::Kind::Shitaraba;
        m_h->state.LiveMode = true;
        m_h->state.ResTotal = 12;
        m_h->state.DatBytes = "a\nb\n";
        m_h->state.DatSize = 4;
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
        // A board's own page where a thread was meant says so.
        const QString board = QStringLiteral("これは板のURLです。スレッドのURLを入力してください");
        QTest::newRow("rental board page")
            << "http://jbbs.shitaraba.net/game/12345/" << board << Boards::Kind::Shitaraba;
        QTest::newRow("board index")
            << "http://example.com/pre/board/index.html" << board << Boards::Kind::Shitaraba;
        QTest::newRow("three directories")
            << "http://example.com/a/b/c/" << unknown << Boards::Kind::Shitaraba;
        QTest::newRow("no key") << "http://example.com/test/read.cgi/board/" << noThread
                                << Boards::Kind::TwoChannel;
        QTest::newRow("bad port") << "http://example.com:99999/test/read.cgi/board/1/"
                                  << "URLのポート番号が正しくありません"
                                  << Boards::Kind::TwoChannel;
    }

    void refusedAddresses() // a refused address loaded, or the loaded thread disturbed
    {
        QFETCH(QString, address);
        QFETCH(QString, status);
        QFETCH(Boards::Kind, boardKind);
        m_h->loader->load(address, false);
        QCOMPARE(m_h->statuses, QStringList{status});
        // Only the board kind may change; the loaded thread stays.
        const ThreadState &s = m_h->state;
        QCOMPARE(s.BoardKind, boardKind);
        QVERIFY(s.Ready && s.LiveMode);
        QCOMPARE(s.CurrentUrl, QStringLiteral("http://example.com/test/read.cgi/board/1/"));
        QCOMPARE(s.ResTotal, 12);
        QCOMPARE(s.DatBytes, QByteArray("a\nb\n"));
        QCOMPARE(m_h->restarts, 0);
        QVERIFY(m_h->addressWrites.isEmpty());
        QVERIFY(!m_h->loader->fetch().socket().isActive());
    }

    void rentalAddressCutBackThenRejected() // a malformed rental address loaded or not cut back
    {
        m_h->state.BoardKind = Boards::Kind::TwoChannel;
        // Seven "/" after the cut: the key lost its final "/".
        m_h->loader->load(
            QStringLiteral("http://jbbs.shitaraba.net/bbs/read.cgi/game/12345/1234567890"), false);
        QCOMPARE(m_h->addressWrites,
                 QStringList{QStringLiteral("http://jbbs.shitaraba.net/bbs/read.cgi/game/12345/")});
        QCOMPARE(m_h->statuses,
                 QStringList{QStringLiteral("したばらのURLっぽいけど、なんか変です")});
        QCOMPARE(m_h->state.BoardKind, Boards::Kind::TwoChannel);
        QVERIFY(m_h->state.Ready);
        QCOMPARE(m_h->restarts, 0);

        // One "/" too many is rejected without a cut.
        m_h->clearRecords();
        m_h->loader->load(
            QStringLiteral("http://jbbs.livedoor.jp/bbs/read.cgi/game/12345/1234567890/x/"), false);
        QVERIFY(m_h->addressWrites.isEmpty());
        QCOMPARE(m_h->statuses,
                 QStringList{QStringLiteral("したばらのURLっぽいけど、なんか変です")});
    }

private:
    std::unique_ptr<LoaderHarness> m_h;
};

QTEST_GUILESS_MAIN(TestThreadLoader)
#include "tst_threadloader.moc"
