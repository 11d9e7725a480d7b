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
    void mailNameAndIdLink() // a blank mail taken for none; ID target not escaped or with CR
    {
        QCOMPARE(GetMailName("A", "sage"), QStringLiteral("<a href=mailto:sage>A</a>"));
        QCOMPARE(GetMailName("A", ""), QStringLiteral("A"));
        QCOMPARE(GetMailName("A", " "), QStringLiteral("<a href=mailto: >A</a>"));
        const std::tuple<const char *, const char *, QString> ids[] = {
            {"12:00 ID:ab/cd", "ID:ab%2fcd", "12:00 " + link("ID:ab%2fcd", "ID:") + "ab/cd"},
            {"12:00 ID:abc\r", "ID:abc", "12:00 " + link("ID:abc", "ID:") + "abc\r"},
            {"12:00", "", "12:00"}};
        for (const auto &[date, id, linked] : ids) {
            QCOMPARE(LinkTargetId(QLatin1String(date)), QLatin1String(id));
            QCOMPARE(LinkId(QLatin1String(date), QLatin1String(id)), linked);
        }
    }

    void findUrl() // the earlier of ttp/http missed, https found, wide chars taken
    {
        const std::tuple<QString, int, int, const char *> rows[] = {
            {"ttp://a http://b", 0, 0, "ttp://a"},
            {"http://a ttp://b", 1, 1, "ttp://a"},
            {"http://-.!~*'();/?:@&=+$,%#_09azAZ\"x", 0, 0, "http://-.!~*'();/?:@&=+$,%#_09azAZ"},
            {QStringLiteral("http://a.jp/ｘ"), 0, 0, "http://a.jp/"},
            {"https://a.jp/", 0, -1, ""}};
        for (const auto &[message, start, position, address] : rows) {
            const UrlMatch m = FindUrl(message, start);
            QCOMPARE(m.position, qsizetype(position));
            QCOMPARE(m.address, QLatin1String(address));
            QVERIFY(!m.found() || m.lacksH == (address[0] == 't'));
        }
    }

    void addressLinks() // anchors linked again, addresses lost after the first
    {
        QCOMPARE(LinkAddresses("see ttp://e/x.jpg<br>"),
                 "see " + link("http://e/x.jpg", "ttp://e/x.jpg") + "<br>");
        const QString anchor =
            QStringLiteral("<a href=\"../test/read.cgi/x/1/12\">&gt;&gt;12</a> ");
        QCOMPARE(LinkAddresses(anchor + "http://b"), anchor + link("http://b", "http://b"));
        QCOMPARE(LinkAddresses("ttp://a\"ttp://b"),
                 link("http://a", "ttp://a") + "\"" + link("http://b", "ttp://b"));
    }

    void thirtyAddressesAtMost() // the search limit of 30 off by one
    {
        QStringList words;
        for (int i = 1; i <= 31; ++i)
            words << QStringLiteral("http://h%1/").arg(i);
        const QString linked = LinkAddresses(words.join(QLatin1Char(' ')));
        QCOMPARE(linked.count(QStringLiteral("</a>")), 30);
        QVERIFY(linked.endsWith(link("http://h30/", "http://h30/") + " http://h31/"));
    }

    void placeholders() // &MAIL filled inside &MAILNAME, a case-blind or recursive fill
    {
        const std::tuple<const char *, const char *, const char *> rows[] = {
            {"[&NUMBER|&NAME|&MAILNAME|&MAIL|&DATE|&MESSAGE]", "M",
             "[7|A|<a href=mailto:sage>A</a>|sage|D|M]"},
            {"&NUMBER &number &MAIL&MAIL", "M", "7 &number sagesage"},
            {"&MESSAGE", "&NUMBER", "&NUMBER"}};
        for (const auto &[skin, message, html] : rows)
            QCOMPARE(FillResSkin(QLatin1String(skin), "7", "A", GetMailName("A", "sage"), "sage",
                                 "D", QLatin1String(message)),
                     QLatin1String(html));
    }
};

QTEST_GUILESS_MAIN(TestSkin)
#include "tst_skin.moc"
