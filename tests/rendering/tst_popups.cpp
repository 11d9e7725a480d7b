#include "rendering/links.h"
#include "rendering/popups.h"
#include "rendering/posttable.h"
#include "support/textrows.h"

#include <QtTest>

using Action = Links::Action;

namespace {

// Posts 1 to 1000 named "名無し", dated "dN", saying "mN"; posts 1 and 3 carry ID links whose
// IDs share a start, and post 1 the entities and tags a message can hold.
const PostTable &table()
{
    static const PostTable t = [] {
        PostTable p;
        for (int n = 1; n <= 1000; ++n)
            p.set(n, {QStringLiteral("名無し"), QString(), QStringLiteral("d%1").arg(n),
                      QStringLiteral("m%1").arg(n)});
        p.set(1, {QStringLiteral("<b>コテ</b>"), QStringLiteral("sage"),
                  QStringLiteral("<a href=\"ID:ab%2fcd\">ID:</a>ab/cd"),
                  QStringLiteral("a &gt; &lt;c&gt; <br> &amp; <i>d</i>")});
        p.set(3, {QStringLiteral("名無し"), QString(),
                  QStringLiteral("<a href=\"ID:ab%2fcdE\">ID:</a>ab/cdE"), QStringLiteral("y")});
        return p;
    }();
    return t;
}

QString popup(const QString &status, bool twoCh = true)
{
    return Popups::PopupText(Popups::ParseStatusText(status), {table(), 1000, twoCh});
}

} // namespace

class TestPopups : public QObject
{
    Q_OBJECT
private slots:
    void statusText_data()
    {
        // nullptr: no pop-up. "/bbs/" addresses are the rental board's.
        static const char *const table[][3] = {
            {"one post", "../test/read.cgi/demo/1/12", "12 名無し d12\r\n    m12"},
            {"range", "../test/read.cgi/demo/1/12-15",
             "12 名無し d12\r\n    m12\r\n13 名無し d13\r\n    m13\r\n"
             "14 名無し d14\r\n    m14\r\n15 名無し d15\r\n    m15"},
            {"n removed", "../test/read.cgi/demo/1/12n", "12 名無し d12\r\n    m12"},
            {"end minus start 301", "../test/read.cgi/demo/1/1-302",
             "対象が多すぎるのでポップアップできません"},
            {"1005 of 1000", "../test/read.cgi/demo/1/1005", ">>1005に期待"},
            {"outside the table", "../test/read.cgi/demo/1/10002", "なんかエラー"},
            // On the rental board the message follows the date on the same line.
            {"rental", "/bbs/read.cgi/game/1/2/7", "7 名無し d7    m7"},
            {"mail link", "mailto:sage", nullptr},
            {"web address", "https://e.jp/test/read.cgi/b/1/12", nullptr},
            {"id: alone", "id:", nullptr},
            // The view may hand "%2F" over; a shorter ID matches a longer one that starts with it.
            {"ID, substring rule", "id:ab%2Fcd",
             "1 コテ [sage] <a href=\"ID:ab%2fcd\">ID:</a>ab/cd\r\n    a > <c> \r\n     &amp; d\r\n"
             "3 名無し [] <a href=\"ID:ab%2fcdE\">ID:</a>ab/cdE\r\n    y"},
            {"no match", "id:QQQ", "？"},
            {"???", "id:???", "？"},
            {"???0", "id:???0", "？"},
            {"???O", "id:???O", "？"},
        };
        AddTextRows({"status", "expected"}, table);
    }

    void statusText() // wrong posts, range limits, ID rule or special IDs in a pop-up
    {
        QFETCH(QString, status);
        QFETCH(QString, expected);
        const QString text = popup(status, !status.startsWith("/bbs/"));
        QCOMPARE(text.isNull(), expected.isNull());
        QCOMPARE(text, expected);
    }

    void threeHundredOnePostsListed() // a range of 301 posts refused: the limit off by one
    {
        const QStringList lines =
            popup(QStringLiteral("../test/read.cgi/demo/1/1-301")).split(QStringLiteral("\r\n"));
        // Two lines a post, three for post 1 with its "<br>".
        QCOMPARE(lines.size(), 603);
        QCOMPARE(lines.at(601), QStringLiteral("301 名無し d301"));
    }

    void labelKeepsAmpersandEntity() // "&amp;" decoded, or "&quot;" and tags left in the label
    {
        PostTable t;
        t.set(1, {QStringLiteral("名無し"), QString(), QStringLiteral("d"),
                  QStringLiteral("BGM &amp; &quot;良&quot; <a href=\"x\">&gt;&gt;1</a>")});
        QCOMPARE(Popups::LabelText(Popups::GetPopupRes({t, 1, true}, 1, 1)),
                 QStringLiteral("1 名無し d\r\n    BGM &amp; \"良\" >>1"));
    }

    void panelRect_data()
    {
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<QSize>("label");
        QTest::addColumn<QRect>("expected");
        // Inner area 800×600; a 150×45 label makes a 154×62 panel (60 and 260 twips added).
        QTest::newRow("above right")
            << QPoint(300, 400) << QSize(150, 45) << QRect(320, 331, 154, 62);
        QTest::newRow("pinned top") << QPoint(300, 30) << QSize(150, 45) << QRect(320, 0, 154, 62);
        QTest::newRow("pinned right")
            << QPoint(750, 400) << QSize(150, 45) << QRect(646, 331, 154, 62);
        QTest::newRow("cut to the area")
            << QPoint(10, 10) << QSize(2000, 2000) << QRect(0, 0, 800, 600);
    }

    void panelRect() // panel off the pointer, outside the view, or larger than it
    {
        QFETCH(QPoint, pointer);
        QFETCH(QSize, label);
        QFETCH(QRect, expected);
        QCOMPARE(Popups::PanelRect(pointer, label, QSize(800, 600)), expected);
    }

    void linkClick_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<Action>("expected");
        QTest::newRow("board thread")
            << "http://127.0.0.1:8/test/read.cgi/b/1/" << Action::LoadThread;
        QTest::newRow("rental, https")
            << "https://jbbs.shitaraba.net/bbs/read.cgi/g/1/2/" << Action::LoadThread;
        QTest::newRow("central") << "https://a.5ch.net/test/read.cgi/b/1/" << Action::RefusedBoard;
        QTest::newRow("picture") << "http://example.com/a.JpG?s=1" << Action::ShowPicture;
        QTest::newRow("web page") << "http://example.com/" << Action::OpenExternal;
        QTest::newRow("mail naming a picture") << "mailto:a.jpg" << Action::OpenExternal;
        QTest::newRow("javascript") << "javascript:alert(1)" << Action::Refuse;
        QTest::newRow("ID link") << "id:ab%2fcd" << Action::Refuse;
        QTest::newRow("relative anchor") << "../test/read.cgi/b/1/12" << Action::Refuse;
    }

    void linkClick() // a rule out of order, or a local file or script handed on
    {
        QFETCH(QString, target);
        QFETCH(Action, expected);
        QCOMPARE(Links::Classify(target), expected);
    }
};

QTEST_APPLESS_MAIN(TestPopups)
#include "tst_popups.moc"
