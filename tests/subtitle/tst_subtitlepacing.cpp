#include "platform/text.h"
#include "settings/program.h"
#include "subtitle/makuentry.h"
#include "subtitle/onair.h"
#include "subtitle/subtitlepacing.h"
#include "subtitle/subtitlequeue.h"
#include "support/testhome.h"

#include <QFile>
#include <QtTest>
#include <memory>

namespace {

// What one draw shows: text, command, id, name, number.
QStringList fieldsOf(const MakuEntry &e)
{
    return {e.text(), e.command, e.id, e.name, e.number};
}

MakuEntry entry(const QString &message, const QString &command = QStringLiteral(" "))
{
    MakuEntry e;
    e.kind = MakuEntry::Kind::Post;
    e.command = command;
    e.message = message;
    e.id = QStringLiteral("ID:abc");
    e.name = QStringLiteral("name");
    e.number = QStringLiteral("12");
    return e;
}

MakuEntry notice()
{
    MakuEntry e =
        entry(QStringLiteral("sazanamiからのお知らせ<br>このスレッドは1000に到達しました"));
    e.kind = MakuEntry::Kind::Notice;
    return e;
}

} // namespace

class TestSubtitlePacing : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_pacing.reset();
        m_env = std::make_unique<TestProgram>();
        m_program = &m_env->program;
        m_program->flags.MakuShown = true;
        m_queue = std::make_unique<SubtitleQueue>();
        m_pacing = std::make_unique<SubtitlePacing>(*m_queue, *m_program);
        m_draws.clear();
        m_sounds.clear();
        m_idle = IdleText();
        connect(m_pacing.get(), &SubtitlePacing::textDrawRequested, this,
                [this](const MakuEntry &e) { m_draws.append(e); });
        connect(m_pacing.get(), &SubtitlePacing::waveRequested, this,
                [this](const QString &path) { m_sounds.append(path); });
        m_pacing->setIdleText([this] { return m_idle; });
    }

    void waitForSpeed_data()
    {
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("waiting");
        QTest::addColumn<int>("wait");
        // 2 通常 and 3 早め pace alike; 5 is only reachable through a stored value.
        const int rows[][3] = {
            {2, 0, 70},  {2, 1, 70}, {2, 2, 50}, {2, 3, 50}, {2, 4, 20}, {2, 7, 20}, {2, 8, 15},
            {2, 10, 15}, {2, 11, 8}, {2, 20, 8}, {2, 21, 5}, {2, 30, 5}, {2, 31, 2}, {0, 1, 120},
            {0, 2, 80},  {0, 7, 40}, {1, 1, 95}, {3, 1, 70}, {4, 3, 47}, {5, 1, 60}, {9, 1, 70}};
        for (const auto &r : rows)
            QTest::addRow("speed %d, %d left", r[0], r[1]) << r[0] << r[1] << r[2];
    }

    void waitForSpeed() // a step of the pacing table, the lone post's wait or the speed wrong
    {
        QFETCH(int, speed);
        QFETCH(int, waiting);
        QFETCH(int, wait);
        m_program->opt.Speed = qint16(speed);
        for (int i = 0; i <= waiting; ++i)
            m_queue->append(entry(QStringLiteral("x")));
        m_queue->setCountdown(1);
        tick();
        QCOMPARE(m_queue->count(), waiting);
        QCOMPARE(m_queue->countdown(), wait);
    }

    void heldQueueConsumesNothing() // posts eaten while paused or closed, no restart after it
    {
        m_queue->append(entry(QStringLiteral("first")));
        m_queue->setCountdown(1);
        tick();
        for (const bool pause : {true, false}) {
            bool &held = pause ? m_program->flags.MakuStop : m_program->flags.MakuShown;
            held = pause; // paused, or the window closed
            const qsizetype drawn = m_draws.size();
            m_queue->append(entry(QStringLiteral("held")));
            m_queue->startForNewPost(false); // a running countdown is left alone
            QCOMPARE(runUntilIdle(200), 71); // down to 0, then idle
            tick(30);
            QCOMPARE(m_draws.size(), drawn);
            QCOMPARE(m_queue->count(), 1);
            held = !pause;
            m_queue->restartIfWaiting();
            tick();
            QCOMPARE(m_draws.size(), drawn + 1);
            QCOMPARE(m_draws.last().text(), QStringLiteral("held"));
        }
    }

    void floodKeepsTheNewestThousand() // a flood of posts grows the queue without end
    {
        QSignalSpy dropped(m_queue.get(), &SubtitleQueue::entriesDropped);
        for (int i = 1; i <= 1002; ++i)
            m_queue->append(entry(QString::number(i)));
        QCOMPARE(m_queue->count(), 1000);
        QCOMPARE(m_queue->entries().first().message, QStringLiteral("3"));
        QCOMPARE(m_queue->entries().last().message, QStringLiteral("1002"));
        QCOMPARE(dropped.size(), 2);
        QCOMPARE(dropped.last().first().toInt(), 2);
    }

    // 最新へ dropping a notice or the newest post; the strip's delay counting a notice or
    // growing past the oldest post; the last load's time in another form.
    void skipToNewestAndStripTexts()
    {
        m_queue->append(entry(QStringLiteral("1")));
        m_queue->append(notice());
        m_queue->append(entry(QStringLiteral("2")));
        m_queue->append(entry(QStringLiteral("3")));
        QVERIFY(m_queue->entries().first().received > 0);
        QCOMPARE(m_queue->skipToNewest(), 2);
        QStringList left;
        for (const MakuEntry &e : m_queue->entries())
            left << e.message.left(8);
        QCOMPARE(left, QStringList({"sazanami", "3"}));
        QCOMPARE(m_queue->skipToNewest(), 0);

        MakuEntry waiting = entry(QStringLiteral("x"));
        waiting.received = 1000;
        MakuEntry first = notice();
        first.received = 1;
        QCOMPARE(OnAir::DelayText({first, waiting, entry(QStringLiteral("y"))}, 4999),
                 QStringLiteral("遅れ 3秒"));
        QCOMPARE(OnAir::DelayText({first}, 4999), QStringLiteral("遅れ 0秒"));
        QCOMPARE(OnAir::WaitingText(7), QStringLiteral("待ち 7件"));
        QCOMPARE(OnAir::LastLoadText(QTime(9, 5, 7)), QStringLiteral("最終取得 09:05:07"));
        QCOMPARE(OnAir::LastLoadText(QTime()), QStringLiteral("最終取得 --:--:--"));
    }

    // A waiting list's row showing tags, references or line breaks, a board's whole long post,
    // or half a character at its end.
    void rowText()
    {
        MakuEntry e = entry(QStringLiteral(" <b>太字</b> &amp;lt; 行<br>次の行 "));
        QCOMPARE(e.rowText(), QStringLiteral("12 name： 太字 < 行 次の行"));
        e.message = QString(190, QChar(0x3042)) + QStringLiteral("🍣") +
                    QStringLiteral("<a>").repeated(100000);
        QCOMPARE(e.rowText(), QStringLiteral("12 name： ") + QString(190, QChar(0x3042)));
    }

    // The free text's second question not naming the words it takes.
    void freeTextAsksWithTheCommandWords()
    {
        QStringList prompts;
        QVERIFY(FreeDraw(*m_program, {}, [&](const QString &prompt) {
            prompts << prompt;
            return std::optional<QString>(QStringLiteral("x"));
        }));
        QCOMPARE(prompts.value(1), QStringLiteral("コマンドを指定してください\n"
                                                  "位置：ue shita naka\n"
                                                  "大きさ：normal big small jumbo gigantic\n"
                                                  "色：white red orange yellow pink blue purple "
                                                  "cyan green\n"
                                                  "（空白で区切って組み合わせられます）"));
    }

    void longWaitCutByANewPost() // a post arriving during a long wait waits it out
    {
        m_program->opt.Speed = 0;
        m_queue->append(entry(QStringLiteral("first")));
        m_queue->append(entry(QStringLiteral("second")));
        m_queue->setCountdown(1);
        tick();
        QCOMPARE(m_queue->countdown(), 120);
        m_queue->append(entry(QStringLiteral("late")));
        m_queue->startForNewPost(true);
        QCOMPARE(m_queue->countdown(), 5);
    }

    void shownText() // entities decoded before tags removed, breaks lost
    {
        const QList<std::pair<const char *, const char *>> rows = {
            {"&amp;lt;b&amp;gt;", "<b>"},
            {" abc <br> def", "abc \r\ndef"},
            {"a<<b>c<d<e", "acde"},
            // Characters outside Shift_JIS come as numeric references, decimal or hexadecimal.
            {"寿司&#127843;&#x2764;&#X41;", "寿司🍣❤A"},
            {"&amp;#38;", "&#38;"},
            {"&#x10FFFF;", "\U0010FFFF"},
            // Never a control character, a surrogate half or past U+10FFFF.
            {"&#0;&#9;&#x7F;&#x9f;&#xD800;&#1114112;&#99999999999999999999;",
             "&#0;&#9;&#x7F;&#x9f;&#xD800;&#1114112;&#99999999999999999999;"}};
        for (const auto &[message, shown] : rows)
            QCOMPARE(GetMakuReplace(QString::fromUtf8(message)), QString::fromUtf8(shown));
    }

    void entryFieldsAndSounds() // fields mixed up, window never cleared, wrong or missing sound
    {
        const QList<MakuEntry> entries = {entry(QStringLiteral(" hi<>&lt;"), QStringLiteral("big")),
                                          notice()};
        const QList<QStringList> drawn = {
            {"hi<", "big", "ID:abc", "name", "12"},
            {"sazanamiからのお知らせ\r\nこのスレッドは1000に到達しました", " ", "ID:abc", "name",
             "12"}};
        // The clearing draw has no sound; a sound whose file is missing is not played.
        const std::pair<const char *, QStringList> rows[] = {{"", {"newmaku.wav", "newinfo.wav"}},
                                                             {"newmaku.wav", {}}};
        for (const auto &[removed, sounds] : rows) {
            if (*removed)
                QVERIFY(QFile::remove(m_env->home.file(QLatin1String(removed))));
            m_draws.clear();
            m_sounds.clear();
            for (const MakuEntry &e : entries)
                m_queue->append(e);
            m_queue->setCountdown(1);
            runUntilIdle(500);
            tick(5);
            QStringList expected;
            for (const QString &name : sounds)
                expected << m_env->home.file(name);
            QCOMPARE(m_sounds, expected);
            QCOMPARE(m_draws.size(), 3); // the last one clears the window
            for (int i = 0; i < 3; ++i)
                QCOMPARE(fieldsOf(m_draws[i]), i < 2 ? drawn[i] : QStringList(5, QString()));
            QVERIFY(!m_draws[2].isIdleText());
        }
    }

    void idleText() // idle text not drawn when the queue runs dry, or not in command mode
    {
        m_program->opt.MakuMode = 0;
        m_program->flags.NoResOpen = true;
        m_idle = {QStringLiteral("休憩中"), QStringLiteral("ue red")};
        m_queue->setCountdown(1);
        tick();
        QCOMPARE(m_draws.size(), 1);
        QCOMPARE(fieldsOf(m_draws[0]).mid(0, 2), (QStringList{"休憩中", "ue red"}));
        QVERIFY(m_draws[0].isIdleText() && m_draws[0].commandWordsAlways);
        QCOMPARE(m_program->opt.MakuMode, 0);
        QCOMPARE(m_queue->countdown(), -1);
    }

private:
    void tick(int times = 1);
    int runUntilIdle(int limit);

    std::unique_ptr<TestProgram> m_env;
    Program *m_program = nullptr;
    std::unique_ptr<SubtitleQueue> m_queue;
    std::unique_ptr<SubtitlePacing> m_pacing;
    QVector<MakuEntry> m_draws;
    QStringList m_sounds;
    IdleText m_idle;
};

void TestSubtitlePacing::tick(int times)
{
    for (int i = 0; i < times; ++i)
        m_pacing->tmrMaku_Timer();
}

int TestSubtitlePacing::runUntilIdle(int limit)
{
    int n = 0;
    for (; m_queue->countdown() != -1 && n < limit; ++n)
        tick();
    return n;
}

QTEST_GUILESS_MAIN(TestSubtitlePacing)
#include "tst_subtitlepacing.moc"
