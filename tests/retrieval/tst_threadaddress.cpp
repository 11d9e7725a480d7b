#include "platform/text.h"
#include "retrieval/threadaddress.h"

#include <QtTest>

namespace {
using Pair = std::pair<const char *, const char *>;
} // namespace

class TestThreadAddress : public QObject
{
    Q_OBJECT
private slots:
    void kinds_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("kinds"); // r: read.cgi, s: rental board, x: refused
        QTest::newRow("query form") << "http://host/test/read.cgi?bbs=board&key=1"
                                    << "r";
        QTest::newRow("capital TEST") << "http://host/TEST/read.cgi/board/1/"
                                      << "";
        QTest::newRow("rental") << "http://jbbs.shitaraba.net/bbs/read.cgi/game/1/2/"
                                << "s";
        QTest::newRow("old rental host") << "https://jbbs.livedoor.jp/bbs/read.cgi/game/1/"
                                         << "s";
        QTest::newRow("rental capitals") << "http://JBBS.SHITARABA.NET/bbs/read.cgi/a/1/2/"
                                         << "";
        QTest::newRow("central") << "https://hayabusa9.5ch.net/test/read.cgi/news/1/"
                                 << "rx";
        QTest::newRow("new central domain") << "https://mi.5ch.io/test/read.cgi/news/1/"
                                            << "rx";
        QTest::newRow("adult, capitals") << "http://KILAUEA.BBSPINK.COM/test/read.cgi/b/1/"
                                         << "rx";
        QTest::newRow("without scheme") << "hayabusa9.5ch.net/test/read.cgi/news/1/"
                                        << "rx";
        QTest::newRow("with a port") << "http://hayabusa9.5ch.net:80/test/read.cgi/n/1/"
                                     << "rx";
        QTest::newRow("name ending alike") << "https://a.open2ch.net/test/read.cgi/l/1/"
                                           << "r";
        QTest::newRow("central data file") << "http://hayabusa9.5ch.net/news/dat/1.dat"
                                           << "";
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
            {"http://127.0.0.1:8080/test/read.cgi/B/123/\r\n",
             "http://127.0.0.1:8080/B/dat/123.dat"},
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
        const std::tuple<const char *, const char *, const char *> paths[] = {
            {"https://127.0.0.1:8080/b/dat/1.dat", "127.0.0.1:8080", "/b/dat/1.dat"},
            {"http://HOST", "", ""},
            {"ftp://HOST/x", "", ""},
            // "http://" elsewhere in the text: the host is read from the eighth character on.
            {"xhttp://HOST/a", "", "/HOST/a"}};
        for (const auto &[url, host, path] : paths) {
            QCOMPARE(GetHost(QLatin1String(url)), QLatin1String(host));
            QCOMPARE(GetPath(QLatin1String(url)), QLatin1String(path));
        }
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

    void countString() // overlapping or empty parts counted wrongly
    {
        QCOMPARE(CountString(QStringLiteral("aaaa"), QStringLiteral("aa")), 3);
        QCOMPARE(CountString(QStringLiteral("a<>b<>c"), QStringLiteral("<>")), 2);
        QCOMPARE(CountString(QStringLiteral("abc"), QString()), 0);
    }
};

QTEST_GUILESS_MAIN(TestThreadAddress)
#include "tst_threadaddress.moc"
