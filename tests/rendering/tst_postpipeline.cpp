#include "platform/codec.h"
#include "platform/textfile.h"
#include "rendering/links.h"
#include "rendering/ngrules.h"
#include "rendering/ngwords.h"
#include "rendering/postmarkup.h"
#include "rendering/postpipeline.h"
#include "rendering/skin.h"
#include "retrieval/threadloader.h"
#include "retrieval/threadstate.h"
#include "settings/program.h"
#include "subtitle/subtitlequeue.h"
#include "support/textrows.h"

#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace Skin;

namespace {

const QString kSep = QStringLiteral("<>");
const QStringList kNotice = {" ", "sazanamiからのお知らせ<br>このスレッドは1000に到達しました",
                             "ID:???", "sazanami", "???"};

// A pipeline with stand-ins for everything the main window supplies.
struct Rig
{
    // A thread of `resTotal` posts; `live` for a follow-up load.
    explicit Rig(Boards::Kind boardKind, int resTotal = 0, bool live = false)
    {
        state.BoardKind = boardKind;
        state.ResTotal = resTotal;
        state.LiveMode = live;
        pipeline.setResSkin(QStringLiteral("[&NUMBER|&NAME|&MAILNAME|&DATE|&MESSAGE]"));
        QObject::connect(&pipeline, &PostPipeline::postRendered, &pipeline,
                         [this](const QString &h) { html << h; });
        QObject::connect(&pipeline, &PostPipeline::titleChanged, &pipeline,
                         [this](const QString &t) { titles << t; });
        QObject::connect(&pipeline, &PostPipeline::postQueued, &queue, &SubtitleQueue::queuePost);
        QObject::connect(&pipeline, &PostPipeline::noticeQueued, &queue,
                         &SubtitleQueue::queueNotice);
        // The loader counts the posts taken.
        QObject::connect(&pipeline, &PostPipeline::postsTaken, &loader, &ThreadLoader::addPosts);
    }
    // The fields of queue entry i: command, message, ID, name, number.
    QStringList entry(int i) const
    {
        const MakuEntry &e = queue.entries().at(i);
        return {e.command, e.message, e.id, e.name, e.number};
    }
    QString message(int number) const { return pipeline.ResData().value(number).Message; }

    Program program;
    ThreadState state;
    ThreadLoader loader{state};
    SubtitleQueue queue;
    PostPipeline pipeline{program, state};
    QStringList html;
    QStringList titles;
};

QString line(int n, const QString &mail = QStringLiteral("sage"), const QString &title = {})
{
    return QStringLiteral("名無し<>%1<>2007/01/01 ID:id%2<> 本文%2 <>%3")
        .arg(mail)
        .arg(n)
        .arg(title);
}

QString link(const QString &target, const QString &text)
{
    return QStringLiteral("<a href=\"") + target + QStringLiteral("\">") + text +
           QStringLiteral("</a>");
}

QString anchor(const QString &target, const QString &text)
{
    return "<a href=\"/t/" + target + "\" target=\"_blank\">" + text + "</a>";
}

QStringList posts(int count)
{
    QStringList lines;
    for (int n = 1; n <= count; ++n)
        lines << line(n, QStringLiteral("sage"), n == 1 ? QStringLiteral("実況スレ") : QString());
    return lines;
}

} // namespace

class TestPostPipeline : public QObject
{
    Q_OBJECT
private slots:
    void queueEntryFields() // tags in the name, "/" in the ID, links, or "<>" in a field lost
    {
        Rig rig(Boards::Kind::TwoChannel, 1, true);
        rig.pipeline.setCommandFlag(9, false); // "red"
        rig.pipeline.SetLog({QStringLiteral("名無し </b>◆abc<b><><>2007 ID:ab/cd<> ttp://a.jp/ <>"),
                             // Taking "red" out of "<red>" leaves "<>".
                             line(3, QStringLiteral("<red>naka"))},
                            kSep);
        // A comma-separated line may carry "<>" in any field.
        rig.pipeline.SetLog({QStringLiteral("n,a<>b,d ID:x<>y,m<>m,")}, QStringLiteral(","));
        const QString linked = QStringLiteral(" <a href=\"http://a.jp/\">ttp://a.jp/</a> ");
        QVERIFY(rig.html[0].contains(linked));
        QCOMPARE(rig.queue.count(), 3);
        QCOMPARE(rig.entry(0), (QStringList{" ", linked, "ID:ab:cd", "名無し ◆abc", "2"}));
        QCOMPARE(rig.entry(1), (QStringList{"<>naka", " 本文3 ", "ID:id3", "名無し", "3"}));
        QCOMPARE(rig.entry(2), (QStringList{"a<>b", "m<>m", "ID:x<>y", "n", "4"}));
        // The table keeps what the board sent: pop-ups read it.
        QCOMPARE(rig.pipeline.ResData().value(2).Name, QStringLiteral("名無し </b>◆abc<b>"));
    }

    void keywordGate() // gate inverted, case-blind, or open on a first load
    {
        const QList<std::tuple<const char *, const char *, const char *>> rows = {
            // keyword, mail, queued command ("": not queued)
            {"!live", "sage !live", "sage !live"},
            {"!live", "sage", ""},
            {"", "sage", "sage"},
            {"Live", "live", ""}};
        for (const auto &[keyword, mail, command] : rows)
            for (const bool live : {false, true}) {
                Rig rig(Boards::Kind::TwoChannel, 10, live);
                rig.program.opt.Keyword = QLatin1String(keyword);
                rig.pipeline.SetLog({line(11, QLatin1String(mail))}, kSep);
                QCOMPARE(rig.html.size(), 1); // shown whatever the gate says
                const bool queued = live && *command;
                QVERIFY2(rig.queue.count() == (queued ? 1 : 0), mail);
                QCOMPARE(rig.queue.countdown(), queued ? 1 : -1);
                if (queued)
                    QCOMPARE(rig.entry(0).at(0), QLatin1String(command));
            }
    }

    // Notice queued twice or missing; a thread of posts, long posts or tags without end.
    void the1000NoticeOnceAndTheThreadBound()
    {
        Rig rig(Boards::Kind::TwoChannel);
        rig.pipeline.SetLog(posts(1000), kSep);
        QCOMPARE(rig.html.size(), 1000);
        QCOMPARE(rig.queue.count(), 1);
        QCOMPARE(rig.entry(0), kNotice);
        QCOMPARE(rig.queue.countdown(), 1);
        Rig off(Boards::Kind::TwoChannel);
        off.program.opt.Num1000 = 0;
        off.pipeline.SetLog(posts(10002), kSep);
        QVERIFY(off.queue.isEmpty());
        QCOMPARE(off.html.size(), 10001);
        QVERIFY(off.state.ThreadFull);
        // 1,610 bytes and 402 tags of 64 each a post: post 614 passes 16 MiB, 615 is not read,
        // also when the posts come in two batches.
        Rig tags(Boards::Kind::TwoChannel);
        const QStringList tagged(700, "n<>m<>d<>" + QStringLiteral("<br>").repeated(400));
        tags.pipeline.SetLog(tagged.mid(0, 300), kSep);
        tags.pipeline.SetLog(tagged.mid(300), kSep);
        QCOMPARE(tags.state.ResTotal, 614);
        QVERIFY(tags.state.ThreadFull);
    }

    void noticeAfterPost1000InOrder() // notice lost for an NG post 1000, or out of order
    {
        Rig rig(Boards::Kind::TwoChannel, 998, true);
        rig.pipeline.setNgWords({QStringLiteral("本文1000")});
        rig.queue.setCountdown(40); // a wait in progress is not cut short by the notice
        rig.pipeline.SetLog({line(999), line(1000), line(1001)}, kSep);
        QCOMPARE(rig.queue.count(), 3);
        QCOMPARE(rig.entry(0).at(4), QStringLiteral("999"));
        QCOMPARE(rig.entry(1), kNotice);
        QCOMPARE(rig.entry(2).at(4), QStringLiteral("1001"));
        QCOMPARE(rig.queue.countdown(), 40);
    }

    void brokenLinesKeepTheirPlace() // a short line shifts the numbering or is dropped
    {
        const QString b = QStringLiteral("ここ壊れてます");
        for (const bool rental : {false, true}) {
            Rig rig(rental ? Boards::Kind::Shitaraba : Boards::Kind::TwoChannel, 2, true);
            rig.pipeline.SetLog({rental ? "3<>n<>m<>d<>msg<>t" : "only<>three<>fields",
                                 rental ? "4<>n<>m<>d<>msg<><>id\r" : line(4)},
                                kSep);
            QCOMPARE(rig.state.ResTotal, 4);
            QVERIFY(rig.html[0].startsWith(QStringLiteral("[3|%1|").arg(b)));
            QCOMPARE(rig.queue.count(), 2);
            QCOMPARE(rig.entry(0), (QStringList{b, b, QString(), b, QStringLiteral("3")}));
            QCOMPARE(rig.entry(1).at(4), QStringLiteral("4"));
        }
    }

    void ngLineShownButNeverQueued() // an NG post queued or shown with its text
    {
        for (const bool rental : {false, true}) {
            Rig rig(rental ? Boards::Kind::Shitaraba : Boards::Kind::TwoChannel, 4, true);
            rig.pipeline.setNgWords({QStringLiteral("hi<>")});
            rig.pipeline.SetLog(
                {rental ? "5<>Anon<>sage<>2007<>hi<><>abc\r" : "Anon<>sage<>2007 ID:abc<>hi<>"},
                kSep);
            const QString date = rental ? "NG <a href=\"ID:NG\">ID:</a>NG" : "NG";
            QCOMPARE(rig.html, QStringList{"[5|NG|<a href=\"mailto:NG\">NG</a>|" + date + "|NG]"});
            QCOMPARE(rig.message(5), QStringLiteral("NG"));
            QVERIFY(rig.queue.isEmpty());
            QCOMPARE(rig.queue.countdown(), -1);
        }
    }

    // A troll's post queued, or shown with its text once its rule is added; the title lost; a
    // stopped pattern not reported.
    void ngRulesOnArrivalAndAfterwards()
    {
        Rig rig(Boards::Kind::TwoChannel, 0, true);
        QStringList notes;
        QObject::connect(&rig.pipeline, &PostPipeline::rewriteStarted, [&] { rig.html.clear(); });
        QObject::connect(&rig.pipeline, &PostPipeline::ngNote,
                         [&](const QString &note) { notes << note; });
        NgRules &rules = rig.pipeline.ngRules();
        QVERIFY(rules.add(NgRules::Kind::Name, QStringLiteral("荒らし"), 0).inEffect);
        rig.pipeline.SetLog({"荒らし<>sage<>2007 ID:aaa<> 一 <>スレ", line(2), line(3), line(4)},
                            kSep);
        const QString ng = QStringLiteral("[%1|NG|<a href=\"mailto:NG\">NG</a>|NG|NG]");
        QCOMPARE(rig.html.first(), ng.arg(1));
        QCOMPARE(rig.titles, QStringList{QStringLiteral("sazanami - [スレ]")});
        QCOMPARE(rig.queue.count(), 3);
        QCOMPARE(rig.pipeline.postersNamed(QStringLiteral("名無し")), 3);
        QCOMPARE(rig.pipeline.postersNamed(QStringLiteral("荒らし")), 0); // hidden already

        QVERIFY(rules.add(NgRules::Kind::Id, QStringLiteral("id2"), 0).inEffect);
        QVERIFY(rules.add(NgRules::Kind::Pattern, QStringLiteral("^本文4$"), 0).inEffect);
        QCOMPARE(rig.pipeline.hideShownPosts(), 2);
        QCOMPARE(rig.html, (QStringList{ng.arg(1), ng.arg(2), rig.html.at(2), ng.arg(4)}));
        QVERIFY(rig.html.at(2).contains(QStringLiteral("本文3")));
        QCOMPARE(rig.message(4), QStringLiteral("NG"));
        QCOMPARE(rig.pipeline.shownMessages(), QStringList{QStringLiteral(" 本文3 ")});
        QCOMPARE(rig.pipeline.hideShownPosts(), 0);
        QCOMPARE(rig.pipeline.postersNamed(QStringLiteral("無し")), 1);

        QVERIFY(rules.add(NgRules::Kind::Pattern, QStringLiteral("(a+)+$"), 0).inEffect);
        rig.pipeline.SetLog({"n<><>d<>" + QString(50000, 'a') + "b<>", line(6)}, kSep);
        QCOMPARE(rig.queue.count(), 5);
        QCOMPARE(notes.size(), 1);
    }

    void titleDecoded() // title shown with its entities or character references undecoded
    {
        Rig rental(Boards::Kind::Shitaraba);
        rental.pipeline.SetLog(
            {QStringLiteral("1<>n<>m<>d<>msg<>&lt;タグ&gt; &amp; 寿司&#127843;<>id\r")}, kSep);
        QCOMPARE(rental.titles, QStringList{QStringLiteral("sazanami - [<タグ> & 寿司🍣]")});
    }

    void wholeReloadAfterDeletedPost_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QStringList>("numbers"); // post numbers queued, in order
        const QStringList five = posts(5);
        const QString gone = QStringLiteral("あぼーん<>あぼーん<>あぼーん<>あぼーん<>");
        QTest::newRow("rewritten in place, two new")
            << five << (five.mid(0, 2) + QStringList{gone} + five.mid(3) + posts(7).mid(5))
            << QStringList{"6", "7"};
        // Later posts move down: the first new post is number 5 now.
        QTest::newRow("line removed, two new")
            << five << (five.mid(0, 2) + five.mid(3) + posts(7).mid(5)) << QStringList{"5", "6"};
        // The posts the earlier loads had are never queued again, however they moved.
        QTest::newRow("first line removed, one new")
            << five << (five.mid(1) + posts(6).mid(5)) << QStringList{"5"};
    }

    void wholeReloadAfterDeletedPost() // posts lost or shown twice after a deletion
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(QStringList, numbers);
        Rig rig(Boards::Kind::TwoChannel);
        rig.state.RefetchAbove = qint32(before.size());
        rig.state.RefetchOld = Codec::toSjis(before.join(QLatin1Char('\n')) + QLatin1Char('\n'));
        rig.pipeline.SetLog(after.mid(0, 3), kSep);
        rig.pipeline.SetLog(after.mid(3), kSep);
        // Held until the whole thread is in.
        QVERIFY(rig.queue.isEmpty());
        rig.pipeline.finishRefetch();
        QStringList queued;
        for (int i = 0; i < rig.queue.count(); ++i)
            queued << rig.entry(i).at(4);
        QCOMPARE(queued, numbers);
        QCOMPARE(rig.queue.countdown(), numbers.isEmpty() ? -1 : 1);
        QCOMPARE(rig.html.size(), after.size());
    }

    void ngRuleDuringWholeReload() // a held post of a poster silenced meanwhile aired
    {
        Rig rig(Boards::Kind::TwoChannel);
        rig.state.RefetchAbove = 2;
        rig.state.RefetchOld = Codec::toSjis(posts(2).join(QLatin1Char('\n')) + '\n');
        rig.pipeline.SetLog(posts(4), kSep);
        QVERIFY(rig.pipeline.ngRules().add(NgRules::Kind::Id, QStringLiteral("id3"), 0).inEffect);
        QCOMPARE(rig.pipeline.hideShownPosts(), 1);
        rig.pipeline.finishRefetch();
        QCOMPARE(rig.queue.count(), 1);
        QCOMPARE(rig.entry(0).at(4), QStringLiteral("4"));
    }

    void oneBatchWithoutEvents() // events handled in the middle of a batch
    {
        Rig rig(Boards::Kind::TwoChannel);
        bool fired = false;
        QTimer::singleShot(0, [&fired] { fired = true; });
        rig.pipeline.SetLog(posts(300), kSep);
        QVERIFY(!fired);
        QTRY_VERIFY_WITH_TIMEOUT(fired, 5000);
    }

    void fileText() // LF or CR line ends or an unended last word lost, not Shift_JIS lines
    {
        QCOMPARE(NgWords::FromFileText(QStringLiteral("b\r\na\nc\r\r\nd")),
                 (QStringList{"b", "a", "c", "d"}));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("ngword.txt"));
        QVERIFY(WriteTextFile(path, NgWords::ToFileText({QStringLiteral("荒らし"), "spam"})));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("\x8d\x72\x82\xe7\x82\xb5\r\nspam\r\n"));
        file.close();
        // Characters outside Shift_JIS are kept as the references the boards send.
        QVERIFY(WriteTextFile(
            path, NgWords::ToFileText({QStringLiteral("髙①～㈱😀"), QStringLiteral("😀"), "é?"})));
        const QStringList back = NgWords::FromFileText(ReadTextFile(path));
        QCOMPARE(back, (QStringList{QStringLiteral("髙①～㈱&#128512;"), "&#128512;", "&#233;?"}));
        QVERIFY(ContainsNgWord(QStringLiteral("名無し<><><> 笑&#128512; <>"), {back.at(1)}));
        QVERIFY(!ContainsNgWord(QStringLiteral("名無し<><><> 何? <>"), {back.at(1)}));
    }

    void contains() // NG test case-insensitive, field-bound, or an empty word matching
    {
        const QString line = QStringLiteral("名無し<>sage<>2007/01/01 ID:xyz9<> ABC です <>");
        QVERIFY(ContainsNgWord(line, {"zzz", "sage<>2007"}));
        QVERIFY(!ContainsNgWord(line, {"abc"}));
        QVERIFY(!ContainsNgWord(line, {QString()}));
        QVERIFY(!ContainsNgWord(line, {}));
    }

    void idLink() // ID link target not escaped or with CR, every "ID:" linked
    {
        const std::tuple<const char *, const char *, QString> ids[] = {
            {"12:00 ID:ab/cd", "ID:ab%2fcd", "12:00 " + link("ID:ab%2fcd", "ID:") + "ab/cd"},
            {"12:00 ID:abc\r", "ID:abc", "12:00 " + link("ID:abc", "ID:") + "abc\r"},
            {"ID:a\"b ID:", "ID:a\"b", link("ID:a&quot;b", "ID:") + "a\"b ID:"}};
        for (const auto &[date, id, linked] : ids) {
            QCOMPARE(LinkTargetId(QLatin1String(date)), QLatin1String(id));
            QCOMPARE(LinkId(QLatin1String(date), QLatin1String(id)), linked);
        }
    }

    void findUrl() // the earlier of ttp/http missed, https found, a character past the end taken
    {
        const std::tuple<QString, int, int, const char *> rows[] = {
            {"ttp://a http://b", 0, 0, "ttp://a"},
            {"http://a ttp://b", 1, 1, "ttp://a"},
            {"http://-.!~*'();/?:@&=+$,%#_09azAZ\"x", 0, 0, "http://-.!~*'();/?:@&=+$,%#_09azAZ"},
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
        const QString anchor =
            QStringLiteral("<a href=\"../test/read.cgi/x/1/12\">&gt;&gt;12</a> ");
        QCOMPARE(LinkAddresses(anchor + "http://b"), anchor + link("http://b", "http://b"));
        QCOMPARE(LinkAddresses("ttp://a\"ttp://b"),
                 link("http://a", "ttp://a") + "\"" + link("http://b", "ttp://b"));
    }

    void plainAnchors_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("linked");
        const QString gt2 = QStringLiteral("&gt;&gt;2");
        QTest::newRow("reply") << " " + gt2 + " x"
                               << " " + anchor("2", gt2) + " x";
        QTest::newRow("range, list")
            << "&gt;&gt;2-3,5" << anchor("2-3", "&gt;&gt;2-3") + "," + anchor("5", "5");
        QTest::newRow("full width")
            << "＞＞２－３，12" << anchor("2-3", "＞＞２－３") + "，" + anchor("12", "12");
        // "&gt;N" only where a line starts.
        QTest::newRow("line start")
            << " &gt;1 <BR> &gt;2 x&gt;3"
            << " " + anchor("1", "&gt;1") + " <BR> " + anchor("2", "&gt;2") + " x&gt;3";
        const QString inLink = "<a href=\"x/2\">x " + gt2 + "</a><i title=\"" + gt2 + "\">";
        QTest::newRow("in a link or a tag") << inLink << inLink;
        const QString noNumber = QStringLiteral("&gt;&gt;123456 &gt;&gt;x ＞＞");
        QTest::newRow("six digits, no number") << noNumber << noNumber;
        // A megabyte of marks, then a list of commas: one pass, 100 links at most.
        const QString marks = QStringLiteral("&gt;").repeated(1 << 18) + "<";
        QTest::newRow("hostile marks") << marks << marks;
        QTest::newRow("hostile list") << gt2 + QStringLiteral(",2").repeated(1 << 19)
                                      << anchor("2", gt2) + ("," + anchor("2", "2")).repeated(99) +
                                             QStringLiteral(",2").repeated((1 << 19) - 99);
    }

    void plainAnchors() // an anchor left plain, or one linked inside a link or a tag
    {
        QFETCH(QString, message);
        QFETCH(QString, linked);
        QCOMPARE(Links::LinkAnchors(message, QStringLiteral("/t/")), linked);
    }

    void anchorsLinkedInTheViewOnly() // the subtitle given the link, or a link to nowhere
    {
        Rig rig(Boards::Kind::TwoChannel, 1, true);
        rig.state.CurrentUrl = QStringLiteral("http://h:8/test/read.cgi/b/1/l50");
        rig.pipeline.SetLog({QStringLiteral("n<>sage<>d ID:x<> &gt;&gt;1 <>")}, kSep);
        QVERIFY(rig.html[0].contains(
            "<a href=\"/test/read.cgi/b/1/1\" target=\"_blank\">&gt;&gt;1</a>"));
        QCOMPARE(rig.entry(0).at(1), QStringLiteral(" &gt;&gt;1 "));
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

    void placeholders() // &MAIL filled inside &MAILNAME, a case-blind fill, a field filled
    {
        const std::tuple<const char *, const char *, const char *, const char *> rows[] = {
            {"[&NUMBER|&NAME|&MAILNAME|&MAIL|&DATE|&MESSAGE]", "A", "M",
             "[7|A|<a href=\"mailto:a&quot;b\">A</a>|a\"b|D|M]"},
            {"&NUMBER &number &MAIL&MAIL", "A", "M", "7 &number a\"ba\"b"},
            {"&NAME&MESSAGE", "&MESSAGE&DATE", "&NAME", "&MESSAGE&DATE&NAME"}};
        for (const auto &[skin, name, message, html] : rows)
            QCOMPARE(FillResSkin(QLatin1String(skin), "7", QLatin1String(name),
                                 GetMailName("A", "a\"b"), "a\"b", "D", QLatin1String(message)),
                     QLatin1String(html));
    }

    // A post of placeholders or of "ID:" filling the memory, or nesting without end.
    void hostileFieldsStayBounded()
    {
        Rig rig(Boards::Kind::TwoChannel);
        rig.pipeline.setResSkin(QStringLiteral("&NAME&MESSAGE&DATE"));
        const QString line = QStringLiteral("&MESSAGE").repeated(100) +
                             "<><>ID:" + QString(3000, 'x') + QStringLiteral("ID:").repeated(2000) +
                             "<>" + QStringLiteral("<b>").repeated(20000) + "<>";
        rig.pipeline.SetLog({line}, kSep);
        QVERIFY2(rig.html.value(0).size() < 3 * line.size(),
                 qPrintable(QString::number(rig.html.value(0).size())));
        QCOMPARE(rig.html.value(0).count(QStringLiteral("<b>")), 512);
    }

    void hostileMarkup_data()
    {
        // A board's field, and what the thread view gets of it.
        const char *const table[][3] = {
            {"kept, attributes quoted", "<B>x<br/><a HREF=../r/1 target=_blank>&gt;&gt;1",
             "<b>x<br><a href=\"../r/1\" target=\"_blank\">&gt;&gt;1</a></b>"},
            {"fetch", "<img src=http://h/a.png><link rel=stylesheet href=//h/a.css>",
             "&lt;img src=http://h/a.png&gt;&lt;link rel=stylesheet href=//h/a.css&gt;"},
            {"base", "<base href=http://h/>", "&lt;base href=http://h/&gt;"},
            {"autoplay", "<audio autoplay src=a>", "&lt;audio autoplay src=a&gt;"},
            {"overlay", "<a href=\"http://h\" style=\"position:fixed\" onclick=x>o</a>",
             "<a href=\"http://h\">o</a>"},
            {"attribute breakout", "<font color='\"><img src=x>'>",
             "<font color=\"&quot;&gt;&lt;img src=x&gt;\"></font>"},
            {"stray end tag kept", "名無し </b>◆trip<b>", "名無し </b>◆trip<b></b>"},
            {"inner tags closed", "<b><i>x</b>y", "<b><i>x</i></b>y"},
            {"comment and unfinished tag", "a<!-- b <b>c", "a"},
            {"unfinished attribute", "a<font color=\"x>y", "a"},
            {"lone brackets", "a < b > c <", "a &lt; b > c &lt;"},
            {"raw text element", "<plaintext><b>x", "&lt;plaintext&gt;<b>x</b>"}};
        AddTextRows({"field", "clean"}, table);
    }
    void hostileMarkup() // a post that fetches, re-bases, plays, covers the view or swallows posts
    {
        QFETCH(QString, field);
        QFETCH(QString, clean);
        QCOMPARE(PostMarkup::Clean(field), clean);
    }
};

QTEST_GUILESS_MAIN(TestPostPipeline)
#include "tst_postpipeline.moc"
