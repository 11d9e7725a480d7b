#include "platform/text.h"
#include "retrieval/threadaddress.h"

#include <QtTest>

class TestThreadAddress : public QObject
{
    Q_OBJECT
private slots:
    void readCgi_data();
    void readCgi();
    void shitaraba_data();
    void shitaraba();
    void refused_data();
    void refused();
    void datUrl_data();
    void datUrl();
    void datUrlCheck_data();
    void datUrlCheck();
    void rawModeUrl();
    void hostAndPath_data();
    void hostAndPath();
    void hostPort_data();
    void hostPort();
    void countString_data();
    void countString();
};

void TestThreadAddress::readCgi_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("expected");
    QTest::newRow("path form") << "http://host/test/read.cgi/board/1234567890/" << true;
    QTest::newRow("query form") << "http://host/test/read.cgi?bbs=board&key=1" << true;
    QTest::newRow("https") << "https://host/test/read.cgi/board/1/" << true;
    QTest::newRow("anywhere") << "test/read.cgi" << true;
    QTest::newRow("capitals do not count") << "http://host/TEST/read.cgi/board/1/" << false;
    QTest::newRow("data file") << "http://host/board/dat/1.dat" << false;
    QTest::newRow("rental page") << "http://jbbs.shitaraba.net/bbs/read.cgi/a/1/2/" << false;
}

void TestThreadAddress::readCgi()
{
    QFETCH(QString, address);
    QFETCH(bool, expected);
    QCOMPARE(IsReadCgi(address), expected);
}

void TestThreadAddress::shitaraba_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("expected");
    QTest::newRow("new host") << "http://jbbs.shitaraba.net/bbs/read.cgi/game/12345/1234567890/"
                              << true;
    QTest::newRow("old host") << "http://jbbs.livedoor.jp/bbs/read.cgi/game/12345/1234567890/"
                              << true;
    QTest::newRow("https") << "https://jbbs.shitaraba.net/bbs/read.cgi/game/12345/1234567890/"
                           << true;
    QTest::newRow("without the key")
        << "http://jbbs.shitaraba.net/bbs/read.cgi/game/12345/" << true;
    QTest::newRow("board page") << "http://jbbs.shitaraba.net/game/12345/" << false;
    QTest::newRow("other host") << "http://example.com/bbs/read.cgi/game/12345/1/" << false;
    QTest::newRow("capitals") << "http://JBBS.SHITARABA.NET/bbs/read.cgi/game/12345/1/" << false;
}

void TestThreadAddress::shitaraba()
{
    QFETCH(QString, address);
    QFETCH(bool, expected);
    QCOMPARE(IsShitaraba(address), expected);
}

void TestThreadAddress::refused_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("expected");
    QTest::newRow("central") << "http://5ch.net/test/read.cgi/news/1/" << true;
    QTest::newRow("central sub-host")
        << "https://hayabusa9.5ch.net/test/read.cgi/livejupiter/1700000000/" << true;
    QTest::newRow("old central") << "http://tanuki.2ch.net/test/read.cgi/news/1/l50" << true;
    QTest::newRow("new central domain") << "https://mi.5ch.io/test/read.cgi/news/1/" << true;
    QTest::newRow("adult") << "http://kilauea.bbspink.com/test/read.cgi/board/1/" << true;
    QTest::newRow("without scheme") << "hayabusa9.5ch.net/test/read.cgi/livejupiter/1/" << true;
    QTest::newRow("with a port") << "http://hayabusa9.5ch.net:80/test/read.cgi/news/1/" << true;
    QTest::newRow("query form") << "http://hayabusa9.5ch.net/test/read.cgi?bbs=news&key=1" << true;
    QTest::newRow("capitals") << "http://HAYABUSA9.5CH.NET/test/read.cgi/news/1/" << true;
    QTest::newRow("external board") << "http://example.com/test/read.cgi/news/1/" << false;
    QTest::newRow("name ending alike")
        << "https://open2ch.net/test/read.cgi/livejupiter/1/" << false;
    QTest::newRow("name ending alike, sub-host")
        << "https://hayabusa.open2ch.net/test/read.cgi/livejupiter/1/" << false;
    QTest::newRow("central, no read.cgi") << "http://hayabusa9.5ch.net/news/dat/1.dat" << false;
}

void TestThreadAddress::refused()
{
    QFETCH(QString, address);
    QFETCH(bool, expected);
    QCOMPARE(IsRefusedBoard(address), expected);
}

void TestThreadAddress::datUrl_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const char *address, const char *expected) {
        QTest::newRow(name) << QString::fromUtf8(address) << QString::fromUtf8(expected);
    };
    row("path form with l50", "http://HOST/test/read.cgi/BOARD/1234567890/l50",
        "http://HOST/BOARD/dat/1234567890.dat");
    row("query form", "http://HOST/test/read.cgi?bbs=BOARD&key=1234567890&ls=50",
        "http://HOST/BOARD/dat/1234567890.dat");
    row("query form, key last", "http://HOST/test/read.cgi?bbs=BOARD&key=1234567890",
        "http://HOST/BOARD/dat/1234567890.dat");
    row("prefix", "http://HOST/PREFIX/test/read.cgi/BOARD/1234567890/",
        "http://HOST/PREFIX/BOARD/dat/1234567890.dat");
    row("query form with prefix", "http://HOST/PREFIX/test/read.cgi?bbs=BOARD&key=1234567890",
        "http://HOST/PREFIX/BOARD/dat/1234567890.dat");
    row("no final slash", "http://HOST/test/read.cgi/BOARD/1234567890",
        "http://HOST/BOARD/dat/1234567890.dat");
    row("trailing CR LF", "http://HOST/test/read.cgi/BOARD/1234567890/\r\n",
        "http://HOST/BOARD/dat/1234567890.dat");
    row("https", "https://HOST/test/read.cgi/BOARD/1234567890/",
        "https://HOST/BOARD/dat/1234567890.dat");
    row("port", "http://127.0.0.1:8080/test/read.cgi/BOARD/1234567890/",
        "http://127.0.0.1:8080/BOARD/dat/1234567890.dat");
    row("no key", "http://HOST/test/read.cgi/BOARD/", "");
    row("no board", "http://HOST/test/read.cgi/", "");
    row("query without key", "http://HOST/test/read.cgi?bbs=BOARD", "http://HOST/BOARD.dat");
}

void TestThreadAddress::datUrl()
{
    QFETCH(QString, address);
    QFETCH(QString, expected);
    QCOMPARE(GetDatUrl(address), expected);
}

void TestThreadAddress::datUrlCheck_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("expected");
    QTest::newRow("plain") << "http://HOST/BOARD/dat/1234567890.dat" << true;
    QTest::newRow("prefix") << "http://HOST/PREFIX/BOARD/dat/1234567890.dat" << true;
    QTest::newRow("https with port") << "https://h:8443/b/dat/1.dat" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("no dat directory") << "http://HOST/BOARD.dat" << false;
    QTest::newRow("no board") << "http://HOST/dat/1.dat" << false;
    QTest::newRow("empty key") << "http://HOST/BOARD/dat/.dat" << false;
    QTest::newRow("empty host") << "http:///BOARD/dat/1.dat" << false;
    QTest::newRow("no scheme") << "HOST/BOARD/dat/1.dat" << false;
}

void TestThreadAddress::datUrlCheck()
{
    QFETCH(QString, url);
    QFETCH(bool, expected);
    QCOMPARE(IsDatUrl(url), expected);
}

void TestThreadAddress::rawModeUrl()
{
    QCOMPARE(
        GetRawModeUrl(QStringLiteral("http://HOST/bbs/read.cgi/CATEGORY/12345/1234567890/"), 1),
        QStringLiteral("http://HOST/bbs/rawmode.cgi/CATEGORY/12345/1234567890/1-"));
    QCOMPARE(GetRawModeUrl(QStringLiteral("https://jbbs.shitaraba.net/bbs/read.cgi/a/1/2/"), 31),
             QStringLiteral("https://jbbs.shitaraba.net/bbs/rawmode.cgi/a/1/2/31-"));
}

void TestThreadAddress::hostAndPath_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("path");
    const auto row = [](const char *name, const char *url, const char *host, const char *path) {
        QTest::newRow(name) << QString::fromUtf8(url) << QString::fromUtf8(host)
                            << QString::fromUtf8(path);
    };
    row("http", "http://HOST/BOARD/dat/1.dat", "HOST", "/BOARD/dat/1.dat");
    row("https", "https://HOST/BOARD/dat/1.dat", "HOST", "/BOARD/dat/1.dat");
    row("port", "http://127.0.0.1:8080/b/dat/1.dat", "127.0.0.1:8080", "/b/dat/1.dat");
    row("root", "http://HOST/", "HOST", "/");
    row("no slash after host", "http://HOST", "", "");
    row("other scheme", "ftp://HOST/x", "", "");
    // "http://" elsewhere in the text: the host is read from the eighth character on.
    row("scheme not first", "xhttp://HOST/a", "", "/HOST/a");
    row("empty", "", "", "");
}

void TestThreadAddress::hostAndPath()
{
    QFETCH(QString, url);
    QFETCH(QString, host);
    QFETCH(QString, path);
    QCOMPARE(GetHost(url), host);
    QCOMPARE(GetPath(url), path);
}

void TestThreadAddress::hostPort_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("port");
    const auto row = [](const char *name, const char *url, const char *host, int port) {
        QTest::newRow(name) << QString::fromUtf8(url) << QString::fromUtf8(host) << port;
    };
    row("http default", "http://HOST/b/dat/1.dat", "HOST", 80);
    row("https default", "https://HOST/b/dat/1.dat", "HOST", 443);
    row("explicit", "http://127.0.0.1:8080/b/dat/1.dat", "127.0.0.1", 8080);
    row("https explicit", "https://HOST:8443/x", "HOST", 8443);
    row("ipv6", "http://[::1]:8080/x", "::1", 8080);
    row("ipv6 default", "http://[::1]/x", "::1", 80);
    row("letters", "http://HOST:abc/x", "HOST", 0);
    row("empty port", "http://HOST:/x", "HOST", 0);
    row("too large", "http://HOST:70000/x", "HOST", 0);
    row("zero", "http://HOST:0/x", "HOST", 0);
    row("signed", "http://HOST:+80/x", "HOST", 0);
}

void TestThreadAddress::hostPort()
{
    QFETCH(QString, url);
    QFETCH(QString, name);
    QFETCH(int, port);
    const HostPort hp = GetHostPort(url);
    QCOMPARE(hp.name, name);
    QCOMPARE(int(hp.port), port);
}

void TestThreadAddress::countString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("part");
    QTest::addColumn<int>("expected");
    const auto row = [](const char *name, const char *text, const char *part, int expected) {
        QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(part) << expected;
    };
    row("slashes of a rental address", "http://HOST/bbs/read.cgi/CATEGORY/12345/1234567890/", "/",
        8);
    row("cut back rental address", "http://HOST/bbs/read.cgi/CATEGORY/12345/", "/", 7);
    row("overlapping", "aaaa", "aa", 3);
    row("multi-character", "a<>b<>c", "<>", 2);
    row("none", "abc", "x", 0);
    row("empty text", "", "/", 0);
    row("empty part", "abc", "", 0);
    row("case-sensitive", "AaA", "a", 1);
}

void TestThreadAddress::countString()
{
    QFETCH(QString, text);
    QFETCH(QString, part);
    QFETCH(int, expected);
    QCOMPARE(CountString(text, part), expected);
}

QTEST_GUILESS_MAIN(TestThreadAddress)
#include "tst_threadaddress.moc"
