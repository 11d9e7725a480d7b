#include "rendering/skin.h"

#include <QtTest>

using namespace Skin;

namespace {

QString link(const QString &target, const QString &text)
{
    return QStringLiteral("<a href=\"") + target + QStringLiteral("\">") + text +
           QStringLiteral("</a>");
}

} // namespace

class TestSkin : public QObject
{
    Q_OBJECT
private slots:
    void mailName_data();
    void mailName();
    void idLink_data();
    void idLink();
    void findUrl_data();
    void findUrl();
    void addressLinks_data();
    void addressLinks();
    void thirtyOneAddresses();
    void placeholders_data();
    void placeholders();
};

void TestSkin::mailName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("mail");
    QTest::addColumn<QString>("expected");
    QTest::newRow("sage") << QStringLiteral("Anon") << QStringLiteral("sage")
                          << QStringLiteral("<a href=mailto:sage>Anon</a>");
    QTest::newRow("empty mail") << QStringLiteral("Anon") << QString() << QStringLiteral("Anon");
    QTest::newRow("blank mail is a mail") << QStringLiteral("Anon") << QStringLiteral(" ")
                                          << QStringLiteral("<a href=mailto: >Anon</a>");
    QTest::newRow("name with tags") << QStringLiteral("名無し</b>◆abc<b>") << QStringLiteral("age")
                                    << QStringLiteral("<a href=mailto:age>名無し</b>◆abc<b></a>");
}

void TestSkin::mailName()
{
    QFETCH(QString, name);
    QFETCH(QString, mail);
    QFETCH(QString, expected);
    QCOMPARE(GetMailName(name, mail), expected);
}

void TestSkin::idLink_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("linked");
    QTest::newRow("plain") << QStringLiteral("2007/01/01 12:00:00 ID:abcd")
                           << QStringLiteral("ID:abcd")
                           << QStringLiteral("2007/01/01 12:00:00 ") + link("ID:abcd", "ID:") +
                                  QStringLiteral("abcd");
    QTest::newRow("slash") << QStringLiteral("2007/01/01 12:00:00 ID:ab/cd")
                           << QStringLiteral("ID:ab%2fcd")
                           << QStringLiteral("2007/01/01 12:00:00 ") + link("ID:ab%2fcd", "ID:") +
                                  QStringLiteral("ab/cd");
    QTest::newRow("CR left in the date, not in the id")
        << QStringLiteral("2007/01/01 12:00 ID:abc\r") << QStringLiteral("ID:abc")
        << QStringLiteral("2007/01/01 12:00 ") + link("ID:abc", "ID:") + QStringLiteral("abc\r");
    QTest::newRow("no id") << QStringLiteral("2007/01/01 12:00:00") << QString()
                           << QStringLiteral("2007/01/01 12:00:00");
    QTest::newRow("two ids, one target") << QStringLiteral("ID:aa ID:bb") << QStringLiteral("ID:aa")
                                         << link("ID:aa", "ID:") + QStringLiteral("aa ") +
                                                link("ID:aa", "ID:") + QStringLiteral("bb");
}

void TestSkin::idLink()
{
    QFETCH(QString, date);
    QFETCH(QString, id);
    QFETCH(QString, linked);
    QCOMPARE(LinkTargetId(date), id);
    QCOMPARE(LinkId(date, LinkTargetId(date)), linked);
}

void TestSkin::findUrl_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("lacksH");
    QTest::newRow("none") << QStringLiteral("no address here") << 0 << -1 << QString() << false;
    QTest::newRow("ttp before http")
        << QStringLiteral("ttp://a http://b") << 0 << 0 << QStringLiteral("ttp://a") << true;
    QTest::newRow("http before ttp")
        << QStringLiteral("http://a ttp://b") << 0 << 0 << QStringLiteral("http://a") << false;
    QTest::newRow("start inside http finds its ttp")
        << QStringLiteral("http://a ttp://b") << 1 << 1 << QStringLiteral("ttp://a") << true;
    QTest::newRow("start past the first")
        << QStringLiteral("http://a ttp://b") << 2 << 9 << QStringLiteral("ttp://b") << true;
    QTest::newRow("full character set")
        << QStringLiteral("http://-.!~*'();/?:@&=+$,%#_09azAZ\"rest") << 0 << 0
        << QStringLiteral("http://-.!~*'();/?:@&=+$,%#_09azAZ") << false;
    QTest::newRow("stops at wide char")
        << QStringLiteral("http://a.jp/ｘ") << 0 << 0 << QStringLiteral("http://a.jp/") << false;
    QTest::newRow("https is not found")
        << QStringLiteral("https://a.jp/") << 0 << -1 << QString() << false;
    QTest::newRow("start past end") << QStringLiteral("http://a") << 20 << -1 << QString() << false;
}

void TestSkin::findUrl()
{
    QFETCH(QString, message);
    QFETCH(int, start);
    QFETCH(int, position);
    QFETCH(QString, address);
    QFETCH(bool, lacksH);
    const UrlMatch m = FindUrl(message, start);
    QCOMPARE(m.position, qsizetype(position));
    QCOMPARE(m.found(), position >= 0);
    QCOMPARE(m.address, address);
    if (m.found())
        QCOMPARE(m.lacksH, lacksH);
}

void TestSkin::addressLinks_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("linked");
    QTest::newRow("none") << QStringLiteral(" 普通のレス <br> です ")
                          << QStringLiteral(" 普通のレス <br> です ");
    QTest::newRow("ttp gets its h in the target")
        << QStringLiteral("see ttp://example/x.jpg now")
        << QStringLiteral("see ") + link("http://example/x.jpg", "ttp://example/x.jpg") +
               QStringLiteral(" now");
    QTest::newRow("before <br>") << QStringLiteral(" http://a.jp/<br>次 ")
                                 << QStringLiteral(" ") + link("http://a.jp/", "http://a.jp/") +
                                        QStringLiteral("<br>次 ");
    QTest::newRow("with &gt;") << QStringLiteral("http://a.jp/&gt;x")
                               << link("http://a.jp/&gt;x", "http://a.jp/&gt;x");
    QTest::newRow("two adjacent by a blank")
        << QStringLiteral("http://a ttp://b")
        << link("http://a", "http://a") + QStringLiteral(" ") + link("http://b", "ttp://b");
    QTest::newRow("same address twice")
        << QStringLiteral("http://a http://a")
        << link("http://a", "http://a") + QStringLiteral(" ") + link("http://a", "http://a");
    QTest::newRow("board anchor left alone")
        << QStringLiteral("<a href=\"../test/read.cgi/x/1/12\" target=\"_blank\">&gt;&gt;12</a> "
                          "http://b.jp")
        << QStringLiteral("<a href=\"../test/read.cgi/x/1/12\" target=\"_blank\">&gt;&gt;12</a> ") +
               link("http://b.jp", "http://b.jp");
    // The search resumes one character past the inserted anchor: nothing inside the anchor is
    // found again, and an address one character after the previous one is still found whole.
    QTest::newRow("resume after ttp")
        << QStringLiteral("ttp://a\"ttp://b")
        << link("http://a", "ttp://a") + QStringLiteral("\"") + link("http://b", "ttp://b");
    QTest::newRow("resume after http")
        << QStringLiteral("http://a\"http://b")
        << link("http://a", "http://a") + QStringLiteral("\"") + link("http://b", "http://b");
    // "!" is an address character, so this is one address.
    QTest::newRow("one address") << QStringLiteral("ttp://a!ttp://b")
                                 << link("http://a!ttp://b", "ttp://a!ttp://b");
}

void TestSkin::addressLinks()
{
    QFETCH(QString, message);
    QFETCH(QString, linked);
    QCOMPARE(LinkAddresses(message), linked);
}

void TestSkin::thirtyOneAddresses()
{
    QStringList words;
    for (int i = 1; i <= 31; ++i)
        words << QStringLiteral("http://h%1.jp/").arg(i);
    const QString linked = LinkAddresses(words.join(QStringLiteral(" <br> ")));
    QStringList expected;
    for (int i = 0; i < 30; ++i)
        expected << link(words[i], words[i]);
    expected << words[30];
    QCOMPARE(linked, expected.join(QStringLiteral(" <br> ")));
    QCOMPARE(linked.count(QStringLiteral("</a>")), 30);
}

void TestSkin::placeholders_data()
{
    QTest::addColumn<QString>("skin");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("mail");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("html");
    const QString m = QStringLiteral("M");
    const QString mailName = QStringLiteral("<a href=mailto:sage>Anon</a>");
    QTest::newRow("all six") << QStringLiteral("[&NUMBER|&NAME|&MAILNAME|&MAIL|&DATE|&MESSAGE]")
                             << QStringLiteral("Anon") << QStringLiteral("sage") << m
                             << QStringLiteral("[7|Anon|") + mailName +
                                    QStringLiteral("|sage|D|M]");
    QTest::newRow("every occurrence")
        << QStringLiteral("&NUMBER &NUMBER &MAIL&MAIL") << QStringLiteral("Anon")
        << QStringLiteral("sage") << m << QStringLiteral("7 7 sagesage");
    QTest::newRow("MAILNAME before MAIL")
        << QStringLiteral("&MAILNAME/&MAIL") << QStringLiteral("Anon") << QStringLiteral("sage")
        << m << mailName + QStringLiteral("/sage");
    QTest::newRow("MAIL inside a name") << QStringLiteral("&NAME") << QStringLiteral("x&MAILy")
                                        << QStringLiteral("sage") << m << QStringLiteral("xsagey");
    QTest::newRow("case-sensitive")
        << QStringLiteral("&number &Name &NUMBER") << QStringLiteral("Anon")
        << QStringLiteral("sage") << m << QStringLiteral("&number &Name 7");
    QTest::newRow("earlier placeholder inside the message stays")
        << QStringLiteral("&MESSAGE") << QStringLiteral("Anon") << QStringLiteral("sage")
        << QStringLiteral("&NUMBER &NAME") << QStringLiteral("&NUMBER &NAME");
    QTest::newRow("later placeholder inside the date is filled")
        << QStringLiteral("&NAME") << QStringLiteral("&DATE") << QStringLiteral("sage") << m
        << QStringLiteral("D");
}

void TestSkin::placeholders()
{
    QFETCH(QString, skin);
    QFETCH(QString, name);
    QFETCH(QString, mail);
    QFETCH(QString, message);
    QFETCH(QString, html);
    QCOMPARE(FillResSkin(skin, QStringLiteral("7"), name, GetMailName(name, mail), mail,
                         QStringLiteral("D"), message),
             html);
}

QTEST_GUILESS_MAIN(TestSkin)
#include "tst_skin.moc"
