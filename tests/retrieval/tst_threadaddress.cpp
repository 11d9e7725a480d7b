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
    QTest::newRow("path form with l50") << "http://HOST/test/read.cgi/BOARD/1234567890/l50"
                                        << "http://HOST/BOARD/dat/1234567890.dat";
    QTest::newRow("query form") << "http://HOST/test/read.cgi?bbs=BOARD&key=1234567890&ls=50"
                                << "http://HOST/BOARD/dat/1234567890.dat";
    QTest::newRow("query form, key last") << "http://HOST/test/read.cgi?bbs=BOARD&key=1234567890"
                                          << "http://HOST/BOARD/dat/1234567890.dat";
    QTest::newRow("prefix") << "http://HOST/PREFIX/test/read.cgi/BOARD/1234567890/"
                            << "http://HOST/PREFIX/BOARD/dat/1234567890.dat";
    QTest::newRow("deep prefix") << "http://HOST/a/b/test/read.cgi/BOARD/1234567890/"
                                 << "http://HOST/a/b/BOARD/dat/1234567890.dat";
    QTest::newRow("query form with prefix")
        << "http://HOST/PREFIX/test/read.cgi?bbs=BOARD&key=1234567890"
        << "http://HOST/PREFIX/BOARD/dat/1234567890.dat";
    QTest::newRow("no final slash") << "http://HOST/test/read.cgi/BOARD/1234567890"
                                    << "http://HOST/BOARD/dat/1234567890.dat";
    QTest::newRow("post range") << "http://HOST/test/read.cgi/BOARD/1234567890/100-200"
                                << "http://HOST/BOARD/dat/1234567890.dat";
    QTest::newRow("trailing CR LF") << "http://HOST/test/read.cgi/BOARD/1234567890/\r\n"
                                    << "http://HOST/BOARD/dat/1234567890.dat";
    QTest::newRow("https") << "https://HOST/test/read.cgi/BOARD/1234567890/"
                           << "https://HOST/BOARD/dat/1234567890.dat";
    QTest::newRow("port") << "http://127.0.0.1:8080/test/read.cgi/BOARD/1234567890/"
                          << "http://127.0.0.1:8080/BOARD/dat/1234567890.dat";
    QTest::newRow("no key") << "http://HOST/test/read.cgi/BOARD/"
                            << "";
    QTest::newRow("no board") << "http://HOST/test/read.cgi/"
                              << "";
    QTest::newRow("query without key") << "http://HOST/test/read.cgi?bbs=BOARD"
                                       << "http://HOST/BOARD.dat";
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
    QTest::newRow("http") << "http://HOST/BOARD/dat/1.dat"
                          << "HOST"
                          << "/BOARD/dat/1.dat";
    QTest::newRow("https") << "https://HOST/BOARD/dat/1.dat"
                           << "HOST"
                           << "/BOARD/dat/1.dat";
    QTest::newRow("port") << "http://127.0.0.1:8080/b/dat/1.dat"
                          << "127.0.0.1:8080"
                          << "/b/dat/1.dat";
    QTest::newRow("root") << "http://HOST/"
                          << "HOST"
                          << "/";
    QTest::newRow("no slash after host") << "http://HOST"
                                         << ""
                                         << "";
    QTest::newRow("other scheme") << "ftp://HOST/x"
                                  << ""
                                  << "";
    // "http://" elsewhere in the text: the host is read from the eighth character on.
    QTest::newRow("scheme not first") << "xhttp://HOST/a"
                                      << ""
                                      << "/HOST/a";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
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
    QTest::newRow("http default") << "http://HOST/b/dat/1.dat"
                                  << "HOST" << 80;
    QTest::newRow("https default") << "https://HOST/b/dat/1.dat"
                                   << "HOST" << 443;
    QTest::newRow("explicit") << "http://127.0.0.1:8080/b/dat/1.dat"
                              << "127.0.0.1" << 8080;
    QTest::newRow("https explicit") << "https://HOST:8443/x"
                                    << "HOST" << 8443;
    QTest::newRow("ipv6") << "http://[::1]:8080/x"
                          << "::1" << 8080;
    QTest::newRow("ipv6 default") << "http://[::1]/x"
                                  << "::1" << 80;
    QTest::newRow("letters") << "http://HOST:abc/x"
                             << "HOST" << 0;
    QTest::newRow("empty port") << "http://HOST:/x"
                                << "HOST" << 0;
    QTest::newRow("too large") << "http://HOST:70000/x"
                               << "HOST" << 0;
    QTest::newRow("zero") << "http://HOST:0/x"
                          << "HOST" << 0;
    QTest::newRow("signed") << "http://HOST:+80/x"
                            << "HOST" << 0;
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
    QTest::newRow("slashes of a rental address")
        << "http://HOST/bbs/read.cgi/CATEGORY/12345/1234567890/"
        << "/" << 8;
    QTest::newRow("cut back rental address") << "http://HOST/bbs/read.cgi/CATEGORY/12345/"
                                             << "/" << 7;
    QTest::newRow("overlapping") << "aaaa"
                                 << "aa" << 3;
    QTest::newRow("multi-character") << "a<>b<>c"
                                     << "<>" << 2;
    QTest::newRow("line feeds") << "1\n2\n3"
                                << "\n"
                                << 2;
    QTest::newRow("none") << "abc"
                          << "x" << 0;
    QTest::newRow("empty text") << ""
                                << "/" << 0;
    QTest::newRow("empty part") << "abc"
                                << "" << 0;
    QTest::newRow("case-sensitive") << "AaA"
                                    << "a" << 1;
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
