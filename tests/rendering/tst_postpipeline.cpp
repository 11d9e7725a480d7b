#include "platform/textfile.h"
#include "rendering/postpipeline.h"
#include "retrieval/threadstate.h"
#include "settings/program.h"
#include "subtitle/subtitlequeue.h"
#include "support/testhome.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

namespace {

const QString kSkin = QStringLiteral("[&NUMBER|&NAME|&MAILNAME|&MAIL|&DATE|&MESSAGE]");
const QString kSep = QStringLiteral("<>");

// A pipeline with stand-ins for everything the main window supplies.
struct Rig
{
    // A thread of `resTotal` posts; `live` for a follow-up load.
    explicit Rig(Boards::Kind boardKind, int resTotal = 0, bool live = false)
    {
        state.BoardKind = boardKind;
        state.ResTotal = resTotal;
        state.LiveMode = live;
        pipeline.setSkins(QStringLiteral("<html><body>"), kSkin);
        QObject::connect(&pipeline, &PostPipeline::postRendered, &pipeline,
                         [this](const QString &h) {
                             html << h;
                             events << QStringLiteral("write");
                         });
        QObject::connect(&pipeline, &PostPipeline::autoScrollRequested, &pipeline,
                         [this] { events << QStringLiteral("scroll"); });
        QObject::connect(&pipeline, &PostPipeline::titleChanged, &pipeline,
                         [this](const QString &t) { titles << t; });
        QObject::connect(&pipeline, &PostPipeline::postQueued, &queue, &SubtitleQueue::queuePost);
        QObject::connect(&pipeline, &PostPipeline::noticeQueued, &queue,
                         &SubtitleQueue::queueNotice);
    }

    // Splits a queue entry into its five fields.
    QStringList entry(int i) const { return queue.entries().at(i).split(kSep); }

    Program program;
    ThreadState state;
    SubtitleQueue queue;
    PostPipeline pipeline{program, state};
    QStringList html;
    QStringList events;
    QStringList titles;
};

QString twoChannelLine(int n, const QString &mail = QStringLiteral("sage"),
                       const QString &title = QString())
{
    return QStringLiteral("名無しさん<>%1<>2007/01/01(月) 12:00:%2 ID:id%3<> 本文%3 <>%4")
        .arg(mail)
        .arg(n % 60, 2, 10, QLatin1Char('0'))
        .arg(n)
        .arg(title);
}

QStringList twoChannelThread(int count)
{
    QStringList lines;
    for (int n = 1; n <= count; ++n)
        lines << twoChannelLine(n, QStringLiteral("sage"),
                                n == 1 ? QStringLiteral("実況スレ") : QString());
    return lines;
}

} // namespace

class TestPostPipeline : public QObject
{
    Q_OBJECT
private slots:
    void rentalLineFromTheBoard();
    void idWithSlash();
    void dateWithoutId();
    void addressLinksInViewAndQueueNotInTable();
    void keywordGate_data();
    void keywordGate();
    void firstLoadQueuesOnlyThe1000Notice();
    void noNoticeWhenSwitchedOff();
    void noticeOnFollowUpLoadAfterPost1000();
    void noticeForAnNgPost();
    void sixFieldRentalLineIsQueued();
    void tooFewFieldsBecomeBrokenPost_data();
    void tooFewFieldsBecomeBrokenPost();
    void postsAbove10001AreKept();
    void ngLineShownButNeverQueued_data();
    void ngLineShownButNeverQueued();
    void ngWordInTitleOfFirstPost();
    void ngWordsAreCaseSensitive();
    void ngWordsReadAtMomentOfUse();
    void titleSetOnceByFirstPost();
    void firstLineWithoutTitle();
    void writeThenScrollPerPost();
    void disabledCommandWordsLeaveTheCommand();
    void countdownStartsAndGameShortensIt();
    void nameTextWithoutTags_data();
    void nameTextWithoutTags();
    void commaSeparatedLines();
    void shippedSkinFillsEveryPlaceholder();
    void noPausesAndNoEventsWhileProcessing();
};

void TestPostPipeline::rentalLineFromTheBoard()
{
    Rig rig(Boards::Kind::Shitaraba, 4, true);
    rig.pipeline.SetLog({QStringLiteral("12<>name<>sage<>2007/01/01 12:00<>hello<>title<>abc\r")},
                        kSep);

    QCOMPARE(rig.state.ResTotal, 5);
    const ResRecord r = rig.pipeline.ResData().value(5);
    QCOMPARE(r.Name, QStringLiteral("name"));
    QCOMPARE(r.Mail, QStringLiteral("sage"));
    QCOMPARE(r.DateID, QStringLiteral("2007/01/01 12:00 <a href=\"ID:abc\">ID:</a>abc\r"));
    QCOMPARE(r.Message, QStringLiteral("hello"));
    QCOMPARE(rig.pipeline.ResData().value(12).Name, QString());

    QCOMPARE(rig.html.size(), 1);
    QCOMPARE(rig.html[0], QStringLiteral("[5|name|<a href=mailto:sage>name</a>|sage|2007/01/01 "
                                         "12:00 <a href=\"ID:abc\">ID:</a>abc\r|hello]"));
    QCOMPARE(rig.queue.entries(), QStringList{QStringLiteral("sage<>hello<>ID:abc<>name<>5")});
    QVERIFY(rig.titles.isEmpty());
}

void TestPostPipeline::idWithSlash()
{
    Rig rig(Boards::Kind::TwoChannel, 1, true);
    rig.pipeline.SetLog({QStringLiteral("n<>sage<>2007/01/01 12:00:00 ID:ab/cd<>m<>")}, kSep);
    QVERIFY(rig.html[0].contains(QStringLiteral("<a href=\"ID:ab%2fcd\">ID:</a>ab/cd")));
    QCOMPARE(rig.entry(0).at(2), QStringLiteral("ID:ab:cd"));
}

void TestPostPipeline::dateWithoutId()
{
    Rig rig(Boards::Kind::TwoChannel, 1, true);
    rig.pipeline.SetLog({QStringLiteral("n<>sage<>2007/01/01 12:00:00<>m<>")}, kSep);
    QCOMPARE(rig.pipeline.ResData().value(2).DateID, QStringLiteral("2007/01/01 12:00:00"));
    QCOMPARE(rig.entry(0), (QStringList{"sage", "m", "", "n", "2"}));
}

void TestPostPipeline::addressLinksInViewAndQueueNotInTable()
{
    Rig rig(Boards::Kind::TwoChannel, 3, true);
    rig.pipeline.setSkins(QString(), QStringLiteral("&MESSAGE"));
    rig.pipeline.SetLog({QStringLiteral("n<><>d<> ttp://a.jp/x.jpg<br>http://b.jp&gt; <>")}, kSep);
    const QString linked = QStringLiteral(" <a href=\"http://a.jp/x.jpg\">ttp://a.jp/x.jpg</a><br>"
                                          "<a href=\"http://b.jp&gt;\">http://b.jp&gt;</a> ");
    QCOMPARE(rig.html[0], linked);
    QCOMPARE(rig.entry(0).at(1), linked);
    QCOMPARE(rig.pipeline.ResData().value(4).Message,
             QStringLiteral(" ttp://a.jp/x.jpg<br>http://b.jp&gt; "));
}

void TestPostPipeline::keywordGate_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("mail");
    QTest::addColumn<bool>("queued");
    QTest::addColumn<QString>("command");
    QTest::newRow("keyword present") << "!live"
                                     << "sage !live" << true << "sage !live";
    QTest::newRow("keyword absent") << "!live"
                                    << "sage" << false << "";
    QTest::newRow("empty keyword") << ""
                                   << "sage" << true << "sage";
    QTest::newRow("empty keyword, empty mail") << ""
                                               << "" << true << " ";
    QTest::newRow("blank keyword matches empty mail") << " "
                                                      << "" << true << " ";
    QTest::newRow("keyword, empty mail") << "!live"
                                         << "" << false << "";
    QTest::newRow("case-sensitive") << "Live"
                                    << "live" << false << "";
    QTest::newRow("Japanese keyword") << "実況"
                                      << "sage実況" << true << "sage実況";
}

void TestPostPipeline::keywordGate()
{
    QFETCH(QString, keyword);
    QFETCH(QString, mail);
    QFETCH(bool, queued);
    QFETCH(QString, command);
    for (const bool live : {false, true}) {
        Rig rig(Boards::Kind::TwoChannel, 10, live);
        rig.program.opt.Keyword = keyword;
        rig.pipeline.SetLog({twoChannelLine(11, mail)}, kSep);
        QCOMPARE(rig.html.size(), 1); // shown whatever the gate says
        QCOMPARE(rig.queue.count(), live && queued ? 1 : 0);
        if (rig.queue.count() == 1) {
            QCOMPARE(rig.entry(0).at(0), command);
            QCOMPARE(rig.queue.countdown(), 1);
        } else {
            QCOMPARE(rig.queue.countdown(), -1);
        }
    }
}

void TestPostPipeline::firstLoadQueuesOnlyThe1000Notice()
{
    Rig rig(Boards::Kind::TwoChannel);
    QCOMPARE(rig.program.opt.Num1000, qint16(1));
    rig.pipeline.SetLog(twoChannelThread(1000), kSep);
    QCOMPARE(rig.state.ResTotal, 1000);
    QCOMPARE(rig.html.size(), 1000);
    QCOMPARE(
        rig.queue.entries(),
        QStringList{QStringLiteral(" <>sazanamiからのお知らせ<br>このスレッドは1000に到達しました"
                                   "<>ID:\?\?\?<>sazanami<>\?\?\?")});
    QCOMPARE(rig.queue.countdown(), 1);
}

void TestPostPipeline::noNoticeWhenSwitchedOff()
{
    Rig rig(Boards::Kind::TwoChannel);
    rig.program.opt.Num1000 = 0;
    rig.pipeline.SetLog(twoChannelThread(1001), kSep);
    QVERIFY(rig.queue.isEmpty());
    QCOMPARE(rig.queue.countdown(), -1);
}

void TestPostPipeline::noticeOnFollowUpLoadAfterPost1000()
{
    Rig rig(Boards::Kind::TwoChannel, 998, true);
    rig.queue.setCountdown(40); // a wait in progress is not cut short by the notice
    rig.pipeline.SetLog({twoChannelLine(999), twoChannelLine(1000), twoChannelLine(1001)}, kSep);
    QCOMPARE(rig.queue.count(), 4);
    QCOMPARE(rig.entry(0).at(4), QStringLiteral("999"));
    QCOMPARE(rig.entry(1).at(4), QStringLiteral("1000"));
    QCOMPARE(rig.queue.entries().at(2), PostPipeline::Notice1000());
    QCOMPARE(rig.entry(3).at(4), QStringLiteral("1001"));
    QCOMPARE(rig.queue.countdown(), 40);
}

void TestPostPipeline::noticeForAnNgPost()
{
    Rig rig(Boards::Kind::TwoChannel, 999, true);
    rig.pipeline.setNgWords({QStringLiteral("本文1000")});
    rig.pipeline.SetLog({twoChannelLine(1000)}, kSep);
    QCOMPARE(rig.queue.entries(), QStringList{PostPipeline::Notice1000()});
    QCOMPARE(rig.queue.countdown(), 1);
}

void TestPostPipeline::sixFieldRentalLineIsQueued()
{
    Rig rig(Boards::Kind::Shitaraba, 7, true);
    rig.pipeline.SetLog({QStringLiteral("8<>name<>sage<>2007/01/01 12:00<>hello<>title")}, kSep);
    const QString b = QStringLiteral("ここ壊れてます");
    const ResRecord r = rig.pipeline.ResData().value(8);
    QCOMPARE(r.Name, b);
    QCOMPARE(r.Mail, b);
    QCOMPARE(r.DateID, b);
    QCOMPARE(r.Message, b);
    QCOMPARE(rig.html[0], QStringLiteral("[8|%1|<a href=mailto:%1>%1</a>|%1|%1|%1]").arg(b));
    QCOMPARE(rig.entry(0), (QStringList{b, b, QString(), b, QStringLiteral("8")}));
}

void TestPostPipeline::tooFewFieldsBecomeBrokenPost_data()
{
    QTest::addColumn<Boards::Kind>("kind");
    QTest::addColumn<QString>("line");
    QTest::newRow("2ch") << Boards::Kind::TwoChannel << QStringLiteral("only<>three<>fields");
    QTest::newRow("2ch garbage") << Boards::Kind::TwoChannel << QStringLiteral("garbage");
    QTest::newRow("rental") << Boards::Kind::Shitaraba << QStringLiteral("3<>n<>m<>d\r");
}

void TestPostPipeline::tooFewFieldsBecomeBrokenPost()
{
    QFETCH(Boards::Kind, kind);
    QFETCH(QString, line);
    Rig rig(kind, 2, true);
    const QString good = kind == Boards::Kind::TwoChannel
                             ? twoChannelLine(4)
                             : QStringLiteral("4<>n<>m<>d<>msg<><>id\r");
    rig.pipeline.SetLog({line, good}, kSep);
    const QString b = QStringLiteral("ここ壊れてます");
    QCOMPARE(rig.state.ResTotal, 4);
    QCOMPARE(rig.html.size(), 2);
    QVERIFY(rig.html[0].startsWith(QStringLiteral("[3|%1|").arg(b)));
    QCOMPARE(rig.pipeline.ResData().value(3).Message, b);
    QCOMPARE(rig.queue.count(), 2);
    QCOMPARE(rig.entry(0), (QStringList{b, b, QString(), b, QStringLiteral("3")}));
    QCOMPARE(rig.entry(1).at(4), QStringLiteral("4"));
}

void TestPostPipeline::postsAbove10001AreKept()
{
    Rig rig(Boards::Kind::TwoChannel);
    rig.program.opt.Num1000 = 0;
    rig.pipeline.SetLog(twoChannelThread(10050), kSep);
    QCOMPARE(rig.state.ResTotal, 10050);
    QCOMPARE(rig.html.size(), 10050);
    QVERIFY(rig.html.last().startsWith(QStringLiteral("[10050|")));
    QCOMPARE(rig.pipeline.ResData().value(10001).Message, QStringLiteral(" 本文10001 "));
    QCOMPARE(rig.pipeline.ResData().value(10050).Message, QStringLiteral(" 本文10050 "));

    rig.state.LiveMode = true;
    rig.pipeline.SetLog({twoChannelLine(10051)}, kSep);
    QCOMPARE(rig.pipeline.ResData().value(10051).Message, QStringLiteral(" 本文10051 "));
    QCOMPARE(rig.entry(0).at(4), QStringLiteral("10051"));
}

void TestPostPipeline::ngLineShownButNeverQueued_data()
{
    QTest::addColumn<Boards::Kind>("kind");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("date");
    QTest::newRow("2ch across fields")
        << Boards::Kind::TwoChannel << QStringLiteral("Anon<>sage<>2007/01/01 ID:abc<>hi<>")
        << QStringLiteral("sage<>2007") << QStringLiteral("NG");
    QTest::newRow("2ch by id") << Boards::Kind::TwoChannel
                               << QStringLiteral("Anon<>sage<>2007/01/01 ID:abc<>hi<>")
                               << QStringLiteral("ID:abc") << QStringLiteral("NG");
    QTest::newRow("rental across fields")
        << Boards::Kind::Shitaraba << QStringLiteral("5<>Anon<>sage<>2007/01/01<>hi<><>abc\r")
        << QStringLiteral("hi<><>ab") << QStringLiteral("NG <a href=\"ID:NG\">ID:</a>NG");
}

void TestPostPipeline::ngLineShownButNeverQueued()
{
    QFETCH(Boards::Kind, kind);
    QFETCH(QString, line);
    QFETCH(QString, word);
    QFETCH(QString, date);
    Rig rig(kind, 4, true);
    rig.pipeline.setNgWords({word});
    rig.pipeline.SetLog({line}, kSep);
    QCOMPARE(rig.state.ResTotal, 5);
    QCOMPARE(rig.html,
             QStringList{QStringLiteral("[5|NG|<a href=mailto:NG>NG</a>|NG|%1|NG]").arg(date)});
    const ResRecord r = rig.pipeline.ResData().value(5);
    QCOMPARE(r.Name, QStringLiteral("NG"));
    QCOMPARE(r.DateID, date);
    QVERIFY(rig.queue.isEmpty());
    QCOMPARE(rig.queue.countdown(), -1);
}

void TestPostPipeline::ngWordInTitleOfFirstPost()
{
    Rig rig(Boards::Kind::TwoChannel);
    rig.pipeline.setNgWords({QStringLiteral("実況スレ")});
    rig.pipeline.SetLog(twoChannelThread(3), kSep);
    QCOMPARE(rig.titles, QStringList{QStringLiteral("sazanami - [NG]")});
    QVERIFY(rig.html[0].startsWith(QStringLiteral("[1|NG|")));
    QVERIFY(rig.html[1].startsWith(QStringLiteral("[2|名無しさん|")));
}

void TestPostPipeline::ngWordsAreCaseSensitive()
{
    Rig rig(Boards::Kind::TwoChannel, 1, true);
    rig.pipeline.setNgWords({QStringLiteral("abc")});
    rig.pipeline.SetLog({QStringLiteral("n<>sage<>d<> ABC <>")}, kSep);
    QCOMPARE(rig.pipeline.ResData().value(2).Message, QStringLiteral(" ABC "));
    QCOMPARE(rig.queue.count(), 1);
}

void TestPostPipeline::ngWordsReadAtMomentOfUse()
{
    Rig rig(Boards::Kind::TwoChannel, 0, true);
    rig.pipeline.SetLog({twoChannelLine(1, "sage", "t")}, kSep);
    rig.pipeline.setNgWords({QStringLiteral("本文")});
    rig.pipeline.SetLog({twoChannelLine(2)}, kSep);
    // Posts already shown stay as they are; the word applies from the next line on.
    QVERIFY(rig.html[0].startsWith(QStringLiteral("[1|名無しさん|")));
    QVERIFY(rig.html[1].startsWith(QStringLiteral("[2|NG|")));
    QCOMPARE(rig.queue.count(), 1);
}

void TestPostPipeline::titleSetOnceByFirstPost()
{
    Rig rig(Boards::Kind::TwoChannel);
    rig.pipeline.SetLog(twoChannelThread(2), kSep);
    rig.pipeline.SetLog({twoChannelLine(3, "sage", "別")}, kSep);
    QCOMPARE(rig.titles, QStringList{QStringLiteral("sazanami - [実況スレ]")});

    Rig rental(Boards::Kind::Shitaraba);
    rental.pipeline.SetLog({QStringLiteral("1<>n<>m<>d<>msg<>したらばスレ<>id\r")}, kSep);
    QCOMPARE(rental.titles, QStringList{QStringLiteral("sazanami - [したらばスレ]")});
}

void TestPostPipeline::firstLineWithoutTitle()
{
    // The post is complete without its title field; only the title is missing.
    Rig rig(Boards::Kind::TwoChannel);
    rig.pipeline.SetLog({QStringLiteral("n<>sage<>d<>m")}, kSep);
    QCOMPARE(rig.titles, QStringList{QStringLiteral("sazanami - []")});
    QCOMPARE(rig.pipeline.ResData().value(1).Message, QStringLiteral("m"));
}

void TestPostPipeline::writeThenScrollPerPost()
{
    Rig rig(Boards::Kind::TwoChannel);
    rig.pipeline.SetLog(twoChannelThread(3), kSep);
    QCOMPARE(rig.events, (QStringList{"write", "scroll", "write", "scroll", "write", "scroll"}));
}

void TestPostPipeline::disabledCommandWordsLeaveTheCommand()
{
    Rig rig(Boards::Kind::TwoChannel, 1, true);
    rig.pipeline.SetLog({twoChannelLine(2, QStringLiteral("sage red big"))}, kSep);
    rig.pipeline.setCommandFlag(9, false); // "red"
    rig.pipeline.SetLog({twoChannelLine(3, QStringLiteral("sage red big"))}, kSep);
    QCOMPARE(rig.entry(0).at(0), QStringLiteral("sage red big"));
    QCOMPARE(rig.entry(1).at(0), QStringLiteral("sage  big"));
    // The stored mail is what the board sent.
    QCOMPARE(rig.pipeline.ResData().value(3).Mail, QStringLiteral("sage red big"));
}

void TestPostPipeline::countdownStartsAndGameShortensIt()
{
    Rig rig(Boards::Kind::TwoChannel, 1, true);
    rig.queue.setCountdown(30);
    rig.pipeline.SetLog({twoChannelLine(2)}, kSep);
    QCOMPARE(rig.queue.countdown(), 30);
    rig.program.flags.GameOpen = true;
    rig.pipeline.SetLog({twoChannelLine(3)}, kSep);
    QCOMPARE(rig.queue.countdown(), 5);
}

void TestPostPipeline::nameTextWithoutTags_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("trip") << QStringLiteral("名無し </b>◆abc.DEF<b>")
                          << QStringLiteral("名無し ◆abc.DEF");
    QTest::newRow("font") << QStringLiteral("<font color=red>赤</font>") << QStringLiteral("赤");
}

void TestPostPipeline::nameTextWithoutTags()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    Rig rig(Boards::Kind::TwoChannel, 1, true);
    rig.pipeline.SetLog({name + QStringLiteral("<>sage<>d<>m<>")}, kSep);
    QCOMPARE(rig.entry(0).at(3), text);
    QCOMPARE(rig.pipeline.ResData().value(2).Name, name);
}

void TestPostPipeline::commaSeparatedLines()
{
    Rig rig(Boards::Kind::TwoChannel, 0, true);
    rig.pipeline.setNgWords({QStringLiteral("spam")});
    rig.pipeline.SetLog({QStringLiteral("n,sage,d ID:x,m,t"), QStringLiteral("n,sage,d,spam,")},
                        QStringLiteral(","));
    QCOMPARE(rig.titles, QStringList{QStringLiteral("sazanami - [t]")});
    QCOMPARE(rig.entry(0), (QStringList{"sage", "m", "ID:x", "n", "1"}));
    QCOMPARE(rig.queue.count(), 1);
    QCOMPARE(rig.pipeline.ResData().value(2).Message, QStringLiteral("NG"));
}

void TestPostPipeline::shippedSkinFillsEveryPlaceholder()
{
    TestHome home;
    const QString skin = ReadTextFile(home.file(QStringLiteral("Res.htm")));
    QVERIFY(skin.contains(QStringLiteral("&MESSAGE")));
    Rig rig(Boards::Kind::TwoChannel);
    rig.pipeline.setSkins(ReadTextFile(home.file(QStringLiteral("Header.htm"))), skin);
    rig.pipeline.SetLog({QStringLiteral("Anon<>sage<>2007/01/01 ID:abc<> 本文です <>t")}, kSep);
    const QString html = rig.html.value(0);
    for (const char *p : {"&NUMBER", "&NAME", "&MAILNAME", "&MAIL", "&DATE", "&MESSAGE"})
        QVERIFY2(!html.contains(QLatin1String(p)), p);
    QVERIFY(html.contains(QStringLiteral("<a href=mailto:sage>Anon</a>")));
    QVERIFY(html.contains(QStringLiteral("<a href=\"ID:abc\">ID:</a>abc")));
    QVERIFY(html.contains(QStringLiteral(" 本文です ")));
}

void TestPostPipeline::noPausesAndNoEventsWhileProcessing()
{
    Rig rig(Boards::Kind::TwoChannel);
    const QStringList lines = twoChannelThread(1000);
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    rig.pipeline.SetLog(lines, kSep);
    // A pause per line would take a second on its own.
    QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
    // One batch runs to its end before any other event is handled.
    QVERIFY(!fired);
    QCOMPARE(rig.html.size(), 1000);
    QTRY_VERIFY_WITH_TIMEOUT(fired, 5000);
}

QTEST_GUILESS_MAIN(TestPostPipeline)
#include "tst_postpipeline.moc"
