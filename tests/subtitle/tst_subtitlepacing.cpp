#include "platform/text.h"
#include "settings/program.h"
#include "subtitle/makuentry.h"
#include "subtitle/subtitlepacing.h"
#include "subtitle/subtitlequeue.h"
#include "support/testhome.h"

#include <QFile>
#include <QtTest>
#include <memory>

namespace {

// One call of the drawing hook, with the mode in force while it ran.
struct Draw
{
    QString text;
    QString command;
    bool noRes = false;
    QString id;
    QString name;
    QString number;
    int makuMode = -1;
    int tick = -1;
};

QString entry(const QString &message, const QString &command = QStringLiteral(" "))
{
    return command + QStringLiteral("<>") + message + QStringLiteral("<>ID:abc<>name<>12");
}

const QString kNotice = QStringLiteral(
    " <>sazanamiからのお知らせ<br>このスレッドは1000に到達しました<>ID:\?\?\?<>sazanami<>\?\?\?");

} // namespace

class TestSubtitlePacing : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void onePostWhileIdle();
    void fortyEntriesPaced();
    void waitForSpeed_data();
    void waitForSpeed();
    void pauseRunsDownAndConsumesNothing();
    void closedWindowConsumesNothing();
    void gameOpenRule();
    void strayNegativeCountdownGoesIdle();

    void shownText_data();
    void shownText();
    void entryFieldsPadded_data();
    void entryFieldsPadded();
    void replaceEnclosed_data();
    void replaceEnclosed();
    void decodeEntitiesOrder();

    void sounds_data();
    void sounds();

    void idleText_data();
    void idleText();
    void emptyQueueWithoutDialogClears();

    void freeDraw_data();
    void freeDraw();

private:
    void tick(int times = 1);
    // Ticks until the countdown is idle; returns how many ticks that took.
    int runUntilIdle(int limit);

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<Program> m_program;
    std::unique_ptr<SubtitleQueue> m_queue;
    std::unique_ptr<SubtitlePacing> m_pacing;
    QVector<Draw> m_draws;
    QStringList m_sounds;
    IdleText m_idle;
    int m_ticks = 0;
};

void TestSubtitlePacing::init()
{
    m_home = std::make_unique<TestHome>();
    QVERIFY(m_home->isValid());
    m_program = std::make_unique<Program>();
    m_program->AppPath = m_home->path();
    m_program->flags.MakuShown = true;
    m_queue = std::make_unique<SubtitleQueue>();
    m_pacing = std::make_unique<SubtitlePacing>(*m_queue, *m_program);
    m_draws.clear();
    m_sounds.clear();
    m_idle = IdleText();
    m_ticks = 0;
    connect(m_pacing.get(), &SubtitlePacing::textDrawRequested, this,
            [this](QString text, QString command, bool noRes, QString id, QString name,
                   QString number) {
                m_draws.append(
                    {text, command, noRes, id, name, number, m_program->opt.MakuMode, m_ticks});
            });
    connect(m_pacing.get(), &SubtitlePacing::waveRequested, this,
            [this](const QString &path) { m_sounds.append(path); });
    m_pacing->setIdleText([this] { return m_idle; });
}

void TestSubtitlePacing::cleanup()
{
    m_pacing.reset();
    m_queue.reset();
    m_program.reset();
    m_home.reset();
}

void TestSubtitlePacing::tick(int times)
{
    for (int i = 0; i < times; ++i) {
        ++m_ticks;
        m_pacing->tmrMaku_Timer();
    }
}

int TestSubtitlePacing::runUntilIdle(int limit)
{
    int n = 0;
    while (m_queue->countdown() != -1 && n < limit) {
        tick();
        ++n;
    }
    return n;
}

void TestSubtitlePacing::onePostWhileIdle()
{
    QCOMPARE(m_queue->countdown(), -1);
    m_queue->append(entry(QStringLiteral(" こんばんは")));
    m_queue->startForNewPost(false);
    QCOMPARE(m_queue->countdown(), 1);

    tick();
    QCOMPARE(m_draws.size(), 1);
    QCOMPARE(m_draws[0].text, QStringLiteral("こんばんは"));
    QCOMPARE(m_draws[0].number, QStringLiteral("12"));
    QVERIFY(m_queue->isEmpty());
    QCOMPARE(m_queue->countdown(), 70);

    tick(69);
    QCOMPARE(m_draws.size(), 1);
    QCOMPARE(m_queue->countdown(), 1);
    tick();
    QCOMPARE(m_draws.size(), 2);
    QCOMPARE(m_draws[1].tick - m_draws[0].tick, 70);
    QCOMPARE(m_draws[1].text, QString());
    QCOMPARE(m_draws[1].command, QString());
    QCOMPARE(m_draws[1].noRes, false);
    QCOMPARE(m_queue->countdown(), -1);

    tick(5);
    QCOMPARE(m_draws.size(), 2);
    QCOMPARE(m_queue->countdown(), -1);
}

void TestSubtitlePacing::fortyEntriesPaced()
{
    for (int i = 1; i <= 40; ++i)
        m_queue->append(entry(QStringLiteral(" post %1").arg(i)));
    m_queue->startForNewPost(false);
    QVERIFY(runUntilIdle(5000) < 5000);

    QCOMPARE(m_draws.size(), 41); // 40 posts and the clearing draw
    for (int i = 0; i < 40; ++i)
        QCOMPARE(m_draws[i].text, QStringLiteral("post %1").arg(i + 1));
    QCOMPARE(m_draws[40].text, QString());

    // Gap after the post shown with `left` entries still waiting.
    QVector<int> expected;
    for (int left = 39; left >= 0; --left) {
        if (left >= 31)
            expected << 2;
        else if (left >= 21)
            expected << 5;
        else if (left >= 11)
            expected << 8;
        else if (left >= 8)
            expected << 15;
        else if (left >= 4)
            expected << 20;
        else if (left >= 2)
            expected << 50;
        else
            expected << 70;
    }
    QVector<int> gaps;
    for (int i = 1; i < m_draws.size(); ++i)
        gaps << m_draws[i].tick - m_draws[i - 1].tick;
    QCOMPARE(gaps, expected);
    QCOMPARE(m_draws[0].tick, 1);
}

void TestSubtitlePacing::waitForSpeed_data()
{
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("waiting");
    QTest::addColumn<int>("wait");
    // speed: 0 遅い +10, 1 遅め +5, 2 通常 0, 3 早め 0 (paces exactly like 通常), 4 早い -1,
    // stored 5 -2, others 0
    const int adjustments[][2] = {{0, 10}, {1, 5},  {2, 0}, {3, 0},
                                  {4, -1}, {5, -2}, {6, 0}, {-1, 0}};
    for (const auto &sa : adjustments) {
        const int s = sa[0];
        const int a = sa[1];
        QTest::addRow("speed %d, none left", s) << s << 0 << 70 + 5 * a;
        QTest::addRow("speed %d, 1 left", s) << s << 1 << 70 + 5 * a;
        QTest::addRow("speed %d, 2 left", s) << s << 2 << 50 + 3 * a;
        QTest::addRow("speed %d, 3 left", s) << s << 3 << 50 + 3 * a;
        QTest::addRow("speed %d, 4 left", s) << s << 4 << 20 + 2 * a;
        QTest::addRow("speed %d, 7 left", s) << s << 7 << 20 + 2 * a;
        QTest::addRow("speed %d, 8 left", s) << s << 8 << 15;
        QTest::addRow("speed %d, 10 left", s) << s << 10 << 15;
        QTest::addRow("speed %d, 11 left", s) << s << 11 << 8;
        QTest::addRow("speed %d, 20 left", s) << s << 20 << 8;
        QTest::addRow("speed %d, 21 left", s) << s << 21 << 5;
        QTest::addRow("speed %d, 30 left", s) << s << 30 << 5;
        QTest::addRow("speed %d, 31 left", s) << s << 31 << 2;
    }
    QTest::newRow("slow lone post is 12 s") << 0 << 0 << 120;
    QTest::newRow("fast lone post is 6.5 s") << 4 << 0 << 65;
}

void TestSubtitlePacing::waitForSpeed()
{
    QFETCH(int, speed);
    QFETCH(int, waiting);
    QFETCH(int, wait);
    m_program->opt.Speed = qint16(speed);
    for (int i = 0; i <= waiting; ++i)
        m_queue->append(entry(QStringLiteral("x")));
    m_queue->setCountdown(1);
    tick();
    QCOMPARE(m_draws.size(), 1);
    QCOMPARE(m_queue->count(), waiting);
    QCOMPARE(m_queue->countdown(), wait);
}

void TestSubtitlePacing::pauseRunsDownAndConsumesNothing()
{
    m_queue->append(entry(QStringLiteral("first")));
    m_queue->setCountdown(1);
    tick();
    QCOMPARE(m_queue->countdown(), 70);

    m_program->flags.MakuStop = true;
    m_queue->append(entry(QStringLiteral("second")));
    m_queue->startForNewPost(false); // a running countdown is left alone
    m_queue->append(entry(QStringLiteral("third")));
    tick(70);
    QCOMPARE(m_queue->countdown(), 0);
    tick();
    QCOMPARE(m_queue->countdown(), -1);
    tick(30);
    QCOMPARE(m_queue->countdown(), -1);
    QCOMPARE(m_draws.size(), 1);
    QCOMPARE(m_queue->count(), 2);

    // End of the pause: the head entry is shown on the next tick.
    m_program->flags.MakuStop = false;
    m_queue->restartIfWaiting();
    QCOMPARE(m_queue->countdown(), 1);
    tick();
    QCOMPARE(m_draws.size(), 2);
    QCOMPARE(m_draws[1].text, QStringLiteral("second"));
    QCOMPARE(m_queue->count(), 1);
}

void TestSubtitlePacing::closedWindowConsumesNothing()
{
    m_program->flags.MakuShown = false;
    m_queue->append(entry(QStringLiteral("waiting")));
    m_queue->startForNewPost(false);
    tick(3);
    QCOMPARE(m_queue->countdown(), -1);
    QVERIFY(m_draws.isEmpty());
    QCOMPARE(m_queue->count(), 1);

    // Opening the window restarts the countdown.
    m_program->flags.MakuShown = true;
    m_queue->restartIfWaiting();
    tick();
    QCOMPARE(m_draws.size(), 1);
    QCOMPARE(m_draws[0].text, QStringLiteral("waiting"));
}

void TestSubtitlePacing::gameOpenRule()
{
    m_program->flags.GameOpen = true;
    m_program->opt.Speed = 0; // ignored while the game is open
    for (int i = 1; i <= 3; ++i)
        m_queue->append(entry(QStringLiteral("answer %1").arg(i)));
    m_queue->append(kNotice);
    m_queue->setCountdown(1);
    tick();
    QCOMPARE(m_queue->countdown(), 5);
    tick(5);
    QCOMPARE(m_queue->countdown(), 5);
    tick(5);
    QCOMPARE(m_queue->countdown(), 5);
    tick(5);
    QCOMPARE(m_draws.size(), 4);
    // Nothing left: the table's wait (with the speed setting) applies.
    QCOMPARE(m_queue->countdown(), 70 + 5 * 10);
    QVERIFY(m_sounds.isEmpty());

    // A post arriving during a long wait cuts it to 5.
    m_queue->append(entry(QStringLiteral("late")));
    m_queue->startForNewPost(true);
    QCOMPARE(m_queue->countdown(), 5);
}

void TestSubtitlePacing::strayNegativeCountdownGoesIdle()
{
    m_queue->append(entry(QStringLiteral("x")));
    m_queue->setCountdown(-5);
    tick();
    QCOMPARE(m_queue->countdown(), -1);
    QVERIFY(m_draws.isEmpty());
}

void TestSubtitlePacing::shownText_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("tags before entities")
        << QStringLiteral("&amp;lt;b&amp;gt;") << QStringLiteral("<b>");
    QTest::newRow("break with its blank")
        << QStringLiteral(" abc <br> def") << QStringLiteral("abc \r\ndef");
    QTest::newRow("bare break") << QStringLiteral("a<br>b") << QStringLiteral("a\r\nb");
    QTest::newRow("two breaks") << QStringLiteral("a<br><br> b") << QStringLiteral("a\r\n\r\nb");
    QTest::newRow("anchor link") << QStringLiteral(" <a href=\"../test/read.cgi/x/1/5\">&gt;&gt;5"
                                                   "</a> ok")
                                 << QStringLiteral(">>5 ok");
    QTest::newRow("quotes") << QStringLiteral("&quot;q&quot;") << QStringLiteral("\"q\"");
    QTest::newRow("amp then gt") << QStringLiteral("&amp;gt;") << QStringLiteral(">");
    QTest::newRow("lone open") << QStringLiteral("a < b") << QStringLiteral("a  b");
    QTest::newRow("one blank only") << QStringLiteral("  two") << QStringLiteral(" two");
    QTest::newRow("unclosed tag at end") << QStringLiteral("x<b") << QStringLiteral("xb");
    QTest::newRow("empty") << QString() << QString();
}

void TestSubtitlePacing::shownText()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(GetMakuReplace(message), shown);

    m_queue->append(entry(message));
    m_queue->setCountdown(1);
    tick();
    QCOMPARE(m_draws.size(), 1);
    QCOMPARE(m_draws[0].text, shown);
}

void TestSubtitlePacing::entryFieldsPadded_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QStringList>("drawn"); // text, command, id, name, number
    QTest::newRow("no separator") << QStringLiteral("red") << QStringList{"", "red", "", "", ""};
    QTest::newRow("two fields") << QStringLiteral("ue<> hi") << QStringList{"hi", "ue", "", "", ""};
    QTest::newRow("full entry") << QStringLiteral("big<> hi<>ID:x<>nm<>7")
                                << QStringList{"hi", "big", "ID:x", "nm", "7"};
    QTest::newRow("extra field") << QStringLiteral("big<> hi<>ID:x<>nm<>7<>more")
                                 << QStringList{"hi", "big", "ID:x", "nm", "7"};
    QTest::newRow("notice") << kNotice
                            << QStringList{
                                   "sazanamiからのお知らせ\r\nこのスレッドは1000に到達しました",
                                   " ", "ID:???", "sazanami", "???"};
}

void TestSubtitlePacing::entryFieldsPadded()
{
    QFETCH(QString, entry);
    QFETCH(QStringList, drawn);
    m_queue->append(entry);
    m_queue->setCountdown(1);
    tick();
    QCOMPARE(m_draws.size(), 1);
    const Draw &d = m_draws[0];
    QCOMPARE(QStringList({d.text, d.command, d.id, d.name, d.number}), drawn);
    QVERIFY(m_queue->isEmpty());
}

void TestSubtitlePacing::replaceEnclosed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("result");
    QTest::newRow("two tags") << QStringLiteral("<b>x</b>") << QString() << QStringLiteral("x");
    QTest::newRow("replacement") << QStringLiteral("a<1>b<2>c") << QStringLiteral("_")
                                 << QStringLiteral("a_b_c");
    QTest::newRow("replacement holding open")
        << QStringLiteral("a<1>b") << QStringLiteral("<") << QStringLiteral("a<b");
    QTest::newRow("nested open") << QStringLiteral("a<<b>c") << QString() << QStringLiteral("ac");
    QTest::newRow("lone open") << QStringLiteral("a<b") << QString() << QStringLiteral("ab");
    QTest::newRow("close only") << QStringLiteral("a>b") << QString() << QStringLiteral("a>b");
}

void TestSubtitlePacing::replaceEnclosed()
{
    QFETCH(QString, text);
    QFETCH(QString, replacement);
    QFETCH(QString, result);
    QCOMPARE(ReplaceEnclosed(text, QStringLiteral("<"), QStringLiteral(">"), replacement), result);
}

void TestSubtitlePacing::decodeEntitiesOrder()
{
    QCOMPARE(DecodeEntities(QStringLiteral("&amp;quot;")), QStringLiteral("&quot;"));
    QCOMPARE(DecodeEntities(QStringLiteral("&amp;lt;")), QStringLiteral("<"));
    QCOMPARE(DecodeEntities(QStringLiteral("&lt;&gt;&quot;&amp;")), QStringLiteral("<>\"&"));
}

void TestSubtitlePacing::sounds_data()
{
    QTest::addColumn<QStringList>("removed");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("sounds");
    const QString post = entry(QStringLiteral(" ただのレス"));
    const QString newmaku = QStringLiteral("newmaku.wav");
    const QString newinfo = QStringLiteral("newinfo.wav");
    // Clearing the window at the end of the wait makes no sound.
    QTest::newRow("post") << QStringList() << QStringList{post} << QStringList{newmaku};
    QTest::newRow("notice") << QStringList() << QStringList{kNotice} << QStringList{newinfo};
    QTest::newRow("notice without newinfo.wav")
        << QStringList{newinfo} << QStringList{kNotice} << QStringList{newmaku};
    QTest::newRow("without newmaku.wav nothing sounds")
        << QStringList{newmaku} << QStringList{kNotice, post} << QStringList();
}

void TestSubtitlePacing::sounds()
{
    QFETCH(QStringList, removed);
    QFETCH(QStringList, entries);
    QFETCH(QStringList, sounds);
    for (const QString &name : removed)
        QVERIFY(QFile::remove(m_home->file(name)));
    for (const QString &e : entries)
        m_queue->append(e);
    m_queue->setCountdown(1);
    runUntilIdle(500);
    QCOMPARE(m_draws.size(), entries.size() + 1);
    QStringList expected;
    for (const QString &name : sounds)
        expected << m_home->file(name);
    QCOMPARE(m_sounds, expected);
}

void TestSubtitlePacing::idleText_data()
{
    QTest::addColumn<int>("makuMode");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("drawnMode");
    QTest::newRow("normal mode: command mode for one draw") << 0 << "ue red" << 1;
    QTest::newRow("normal mode without command") << 0 << "" << 0;
    QTest::newRow("command mode") << 1 << "small" << 1;
}

void TestSubtitlePacing::idleText()
{
    QFETCH(int, makuMode);
    QFETCH(QString, command);
    QFETCH(int, drawnMode);
    m_program->opt.MakuMode = qint16(makuMode);
    m_program->flags.NoResOpen = true;
    m_idle = {QStringLiteral("ただいま休憩中"), command};
    m_queue->setCountdown(1);
    tick();
    QCOMPARE(m_draws.size(), 1);
    QCOMPARE(m_draws[0].text, QStringLiteral("ただいま休憩中"));
    QCOMPARE(m_draws[0].command, command);
    QCOMPARE(m_draws[0].noRes, true);
    QCOMPARE(m_draws[0].makuMode, drawnMode);
    QCOMPARE(m_queue->countdown(), -1);

    // The next post is drawn in the configured mode again.
    m_queue->append(entry(QStringLiteral("post"), QStringLiteral("shita")));
    m_queue->startForNewPost(false);
    tick();
    QCOMPARE(m_draws.size(), 2);
    QCOMPARE(m_draws[1].makuMode, makuMode);
    QCOMPARE(m_draws[1].noRes, false);
}

void TestSubtitlePacing::emptyQueueWithoutDialogClears()
{
    m_idle = {QStringLiteral("idle"), QStringLiteral("red")};
    m_program->flags.NoResOpen = false;
    m_queue->setCountdown(2);
    tick();
    QVERIFY(m_draws.isEmpty());
    QCOMPARE(m_queue->countdown(), 1);
    tick();
    QCOMPARE(m_draws.size(), 1);
    QCOMPARE(m_draws[0].text, QString());
    QCOMPARE(m_draws[0].noRes, false);
    QCOMPARE(m_queue->countdown(), -1);
}

void TestSubtitlePacing::freeDraw_data()
{
    QTest::addColumn<QStringList>("answers"); // a null answer is a cancelled prompt
    QTest::addColumn<bool>("drawn");
    QTest::addColumn<QString>("command");
    QTest::newRow("drawn") << QStringList{QStringLiteral("お知らせ"),
                                          QStringLiteral("shita yellow")}
                           << true << QStringLiteral("shita yellow");
    QTest::newRow("text cancelled")
        << QStringList{QString(), QStringLiteral("red")} << false << QString();
    QTest::newRow("text empty") << QStringList{QStringLiteral(""), QStringLiteral("red")} << false
                                << QString();
    QTest::newRow("command cancelled")
        << QStringList{QStringLiteral("お知らせ"), QString()} << true << QString();
}

void TestSubtitlePacing::freeDraw()
{
    QFETCH(QStringList, answers);
    QFETCH(bool, drawn);
    QFETCH(QString, command);
    QStringList prompts;
    const bool result = FreeDraw(
        *m_program,
        [this](QString t, QString c, bool noRes, QString id, QString name, QString number) {
            m_draws.append({t, c, noRes, id, name, number});
        },
        [&](const QString &prompt) -> std::optional<QString> {
            prompts << prompt;
            const QString answer = answers.value(int(prompts.size()) - 1);
            return answer.isNull() ? std::nullopt : std::optional<QString>(answer);
        });
    QCOMPARE(result, drawn);
    const QStringList asked = {QStringLiteral("表示する文字を書いてください"),
                               QStringLiteral("コマンドを指定してください")};
    QCOMPARE(prompts, drawn ? asked : asked.mid(0, 1));
    QCOMPARE(m_draws.size(), drawn ? 1 : 0);
    if (drawn) {
        QCOMPARE(m_draws[0].text, answers[0]);
        QCOMPARE(m_draws[0].command, command);
        QCOMPARE(m_draws[0].noRes, false);
    }
    // The drag mark is on for the next draw either way.
    QVERIFY(m_program->flags.DragPointView);
}

QTEST_GUILESS_MAIN(TestSubtitlePacing)
#include "tst_subtitlepacing.moc"
