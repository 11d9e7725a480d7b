#include "rendering/links.h"
#include "rendering/popups.h"
#include "rendering/posttable.h"
#include "support/textrows.h"

#include <QtTest>

using Action = Links::Action;

namespace {

// Posts 1 to 1000 named "名無し", dated "dN", saying "mN"; posts 1 and 3 carry ID links whose
// IDs share a start, and post 1 the entities, references and tags a message can hold.
const PostTable &table()
{
    static const PostTable t = [] {
        PostTable p;
        for (int n = 1; n <= 1000; ++n)
            p.set(n, {QStringLiteral("名無し"), QString(), QStringLiteral("d%1").arg(n),
                      QStringLiteral("m%1").arg(n)});
        p.set(1, {QStringLiteral("<b>コテ</b>"), QStringLiteral("sage"),
                  QStringLiteral("<a href=\"ID:ab%2fcd\">ID:</a>ab/cd"),
                  QStringLiteral("a &gt; &lt;c&gt; &#x1F363; <br> &amp;gt; <i>d</i>")});
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
            {"range", "../test/read.cgi/demo/1/12-13",
             "12 名無し d12\r\n    m12\r\n13 名無し d13\r\n    m13"},
            {"end minus start 301", "../test/read.cgi/demo/1/1-302",
             "対象が多すぎるのでポップアップできません"},
            {"1005 of 1000", "../test/read.cgi/demo/1/1005", ">>1005に期待"},
            {"outside the table", "../test/read.cgi/demo/1/10002", "なんかエラー"},
            // On the rental board the message follows the date on the same line.
            {"rental", "/bbs/read.cgi/game/1/2/7", "7 名無し d7    m7"},
            {"web address", "https://e.jp/test/read.cgi/b/1/12", nullptr},
            // The view may hand "%2F" over; a shorter ID matches a longer one that starts with it.
            // Both show a post as the view does: tags removed, entities decoded once.
            {"ID, substring rule", "id:ab%2Fcd",
             "1 コテ [sage] ID:ab/cd\r\n    a > <c> 🍣 \r\n     &gt; d\r\n3 名無し [] ID:ab/cdE\r\n "
             "   y"},
            {"post with markup", "/1", "1 コテ ID:ab/cd\r\n    a > <c> 🍣 \r\n     &gt; d"},
            {"no match", "id:QQQ", "？"},
            {"???", "id:???", "？"},
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
