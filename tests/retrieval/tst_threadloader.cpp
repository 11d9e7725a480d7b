#include "loaderharness.h"
#include "retrieval/reloadcountdown.h"
#include "retrieval/threadaddress.h"

#include <QtTest>

namespace {
using Pair = std::pair<const char *, const char *>;
} // namespace

// The address rules, and the load command's decisions that end before any connection is made.
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

    void kinds_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("kinds"); // r: read.cgi, s: rental board, x: refused
        QTest::newRow("query form") << "http://host/test/read.cgi?bbs=board&key=1"
                                    << "r";
        QTest::newRow("rental") << "http://jbbs.shitaraba.net/bbs/read.cgi/game/1/2/"
                                << "s";
        QTest::newRow("old rental host") << "https://jbbs.livedoor.jp/bbs/read.cgi/game/1/"
                                         << "s";
        QTest::newRow("central") << "https://hayabusa9.5ch.net/test/read.cgi/news/1/"
                                 << "rx";
        QTest::newRow("adult, capitals") << "http://KILAUEA.BBSPINK.COM/test/read.cgi/b/1/"
                                         << "rx";
        QTest::newRow("with a port") << "http://hayabusa9.5ch.net:80/test/read.cgi/n/1/"
                                     << "rx";
        QTest::newRow("name ending alike") << "https://a.open2ch.net/test/read.cgi/l/1/"
                                           << "r";
    }

    void kinds() // an address taken for the wrong kind of board, or a refused one let in
    {
        QFETCH(QString, address);
        QFETCH(QString, kinds);
        QCOMPARE(IsReadCgi(address), kinds.contains(QLatin1Char('r')));
        QCOMPARE(IsShitaraba(address), kinds.contains(QLatin1Char('s')));
        QCOMPARE(IsRefusedBoard(address), kinds.contains(QLatin1Char('x')));
    }

    void dataAddresses() // data file or raw-mode address built wrongly, a malformed one accepted
    {
        const Pair rows[] = {
            {"http://H/test/read.cgi/B/123/l50", "http://H/B/dat/123.dat"},
            {"http://H/test/read.cgi?bbs=B&key=123&ls=50", "http://H/B/dat/123.dat"},
            {"https://H/P/test/read.cgi/B/123", "https://H/P/B/dat/123.dat"},
            {"http://H/test/read.cgi/B/", ""},
            {"http://H/test/read.cgi?bbs=B", "http://H/B.dat"}};
        for (const auto &[address, dat] : rows)
            QCOMPARE(GetDatUrl(QLatin1String(address)), QLatin1String(dat));
        for (const char *good : {"http://H/P/B/dat/123.dat", "https://h:8443/b/dat/1.dat"})
            QVERIFY2(IsDatUrl(QLatin1String(good)), good);
        for (const char *bad :
             {"http://H/B.dat", "http://H/dat/1.dat", "http://H/B/dat/.dat", "http:///B/dat/1.dat"})
            QVERIFY2(!IsDatUrl(QLatin1String(bad)), bad);
        QCOMPARE(GetRawModeUrl(QStringLiteral("https://H/bbs/read.cgi/CATEGORY/12345/123/"), 31),
                 QStringLiteral("https://H/bbs/rawmode.cgi/CATEGORY/12345/123/31-"));
    }

    void hostPathAndPort() // host, path or port cut at the wrong place, a bad port accepted
    {
        QCOMPARE(GetHost(QStringLiteral("https://127.0.0.1:8080/b/dat/1.dat")),
                 QStringLiteral("127.0.0.1:8080"));
        QCOMPARE(GetPath(QStringLiteral("ftp://HOST/x")), QString());
        const std::tuple<const char *, const char *, int> ports[] = {
            {"http://HOST/b", "HOST", 80},        {"https://HOST/b", "HOST", 443},
            {"http://[::1]:8080/x", "::1", 8080}, {"http://HOST:abc/x", "HOST", 0},
            {"http://HOST:65536/x", "HOST", 0},   {"http://HOST:0/x", "HOST", 0},
            {"http://HOST:+80/x", "HOST", 0}};
        for (const auto &[url, name, port] : ports) {
            const HostPort hp = GetHostPort(QLatin1String(url));
            QVERIFY2(hp.name == QLatin1String(name) && hp.port == port, url);
        }
    }

    void refusedAddresses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("status");
        QTest::addColumn<Boards::Kind>("boardKind");
        const QString refused =
            QStringLiteral("2chはあえて読めないようにしてます。外部板で使いましょう");
        const QString noThread = QStringLiteral(
            "このURLからはスレッドの場所がわかりません（板名とスレッド番号を確認してください）");
        QTest::newRow("central")
            << "https://hayabusa9.5ch.net/test/read.cgi/livejupiter/1700000000/" << refused
            << Boards::Kind::TwoChannel;
        // A board's own page where a thread was meant says so.
        const QString board = QStringLiteral("これは板のURLです。スレッドのURLを入力してください");
        QTest::newRow("rental board page")
            << "http://jbbs.shitaraba.net/game/12345/" << board << Boards::Kind::Shitaraba;
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
    }

    void reloadCountdown() // reload a tick early or late, a period not offered taken, the old one
    {
        ReloadCountdown countdown;
        QStringList panel, panelAtLoad;
        connect(&countdown, &ReloadCountdown::timerTextChanged, this,
                [&](const QString &text) { panel << text; });
        connect(&countdown, &ReloadCountdown::reloadDue, this,
                [&] { panelAtLoad << panel.last(); });
        countdown.tick();
        QVERIFY(panel.isEmpty()); // off at start
        QVERIFY(countdown.setPeriod(7));
        for (int i = 0; i < 6; ++i)
            countdown.tick();
        QCOMPARE(panel, (QStringList{"7", "6", "5", "4", "3", "2", "1"}));
        QVERIFY(panelAtLoad.isEmpty());
        countdown.tick();
        // The load runs while the panel reads 0, and the same tick starts again from 7.
        QCOMPARE(panelAtLoad, QStringList{"0"});
        QCOMPARE(panel.mid(7), (QStringList{"0", "7"}));
        // A new period counts from its full length at once; periods not offered change nothing.
        countdown.tick();
        QVERIFY(countdown.setPeriod(8));
        for (const int seconds : {6, 31, -1})
            QVERIFY(!countdown.setPeriod(seconds));
        QCOMPARE(panel.last(), QStringLiteral("8"));
        QCOMPARE(countdown.ReloadInterval(), 8);
        QVERIFY(countdown.setPeriod(0));
        for (int i = 0; i < 40; ++i)
            countdown.tick();
        QCOMPARE(panelAtLoad.size(), 1);
    }

private:
    std::unique_ptr<LoaderHarness> m_h;
};

QTEST_GUILESS_MAIN(TestThreadLoader)
#include "tst_threadloader.moc"
