#include "game/catfeegame.h"
#include "game/dictionary.h"
#include "game/scores.h"
#include "platform/textfile.h"
#include "support/testhome.h"
#include "support/textrows.h"

#include <QDir>
#include <QtTest>
#include <memory>

using Waves = QStringList;

// The game's rules without a window: dictionaries, drawing, the round clock, judging, scores.
class TestGame : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_env = std::make_unique<TestProgram>();
        m_env->program.flags.GameOpen = true;
        m_game = std::make_unique<CatfeeGame>(m_env->program);
        m_game->setRandom([] { return 0.0; });
        m_waves = std::make_unique<QSignalSpy>(m_game.get(), &CatfeeGame::waveRequested);
    }

    void cleanup()
    {
        m_waves.reset();
        m_game.reset();
        m_env.reset();
    }

    void drawnTopicIsCleaned_data()
    {
        static const char *const table[][3] = {
            {"comment", "りんご // fruit", "りんご"},
            {"blanks and ideographic spaces, katakana", " 　オレンジ　", "おれんじ"},
            {"vu", "ヴァイオリン", "う゛ぁいおりん"},
            {"minus, full-width minus", "T-Ｔ－シャツ", "TーＴーしゃつ"},
            {"empty", "\t", "このもんだいはふせいです"},
            {"katakana range ends", "ァンヵヶｱー", "ぁんヵヶｱー"},
        };
        AddTextRows({"line", "topic"}, table);
    }

    void drawnTopicIsCleaned() // a topic shown with its comment, blanks or katakana
    {
        QFETCH(QString, line);
        QFETCH(QString, topic);
        QCOMPARE(GetQuestion({line, QString()}, [] { return 0.7; }).value_or("<none>"), topic);
    }

    void drawNeverTakesTheRemainder() // the remainder drawn, or an LF file taken as one topic
    {
        const QStringList pool = SplitPool("あ\nい\r\n"); // an LF-only line too
        QCOMPARE(pool, QStringList({"あ", "い", ""}));
        for (const auto &[r, topic] :
             {std::pair{0.0, "あ"}, {0.49, "あ"}, {0.5, "い"}, {0.9999, "い"}})
            QCOMPARE(GetQuestion(pool, [r = r] { return r; }).value_or("<none>"), QString(topic));
    }

    void modesJoinDictionaries_data()
    {
        // The pool joined by "|": "うち" from the built-in dictionary, the others added ones.
        static const char *const table[][3] = {
            {"built-in", "0", "うち|"},
            {"added", "1", "えー|びー|"},
            {"both", "2", "うち|えー|びー|"},
            {"added twice", "3", "うち|えー|えー|びー|びー|"},
            {"built-in twice", "4", "うち|うち|えー|びー|"},
        };
        AddTextRows({"mode", "pool"}, table);
    }

    void modesJoinDictionaries() // a dictionary left out, or the odds of a mode wrong
    {
        QFETCH(QString, mode);
        QFETCH(QString, pool);
        const TestHome &home = m_env->home;
        QVERIFY(QDir(home.path()).mkpath("cfq"));
        QVERIFY(WriteTextFile(home.file("default.dat"), "うち\r\n"));
        QVERIFY(WriteTextFile(home.file("a.cfq"), "えー\r\n"));
        QVERIFY(WriteTextFile(home.file("cfq/b.cfq"), "びー\r\n"));
        QVERIFY(WriteTextFile(home.file("c.txt"), "しー\r\n"));
        const QVector<DictionaryEntry> found = ListDictionaries(home.path());
        QCOMPARE(found.size(), 2);
        m_game->LoadQuestion(PoolMode(mode.toInt()), found);
        QCOMPARE(m_game->pool().join('|'), pool);
    }

    void emptyPoolRefusesARound() // a round started without a topic
    {
        // No dictionary at all: no topic, no round.
        m_game->LoadQuestion(PoolMode::Both, {{"x.cfq", m_env->home.file("x.cfq")}});
        QVERIFY(m_game->pool().isEmpty());
        QVERIFY(!m_game->NextQuestion());
        QCOMPARE(m_game->clock(), -1);
        QCOMPARE(m_game->roundCount(), 0);
        QVERIFY(m_game->nextQuestionEnabled());
    }

    void hintSchedule_data()
    {
        // What the question label shows from each second on, until the next entry.
        static const char *const table[][3] = {
            {"2", "いぬ", "150 ？？？|90 ○○|0 いぬ"},
            {"10", "ゆきだるまをつくろう",
             "150 ？？？|90 ○○○○○○○○○○|60 ゆ○○○○○○○○○|45 ゆ○○○○○○○○う|"
             "30 ゆき○○○○○○○う|20 ゆき○○○○○○ろう|0 ゆきだるまをつくろう"},
        };
        AddTextRows({"topic", "shownText"}, table);
    }

    void hintSchedule() // a hint shown early, late or with the wrong letters
    {
        QFETCH(QString, topic);
        QFETCH(QString, shownText);
        QStringList shown = shownText.split('|');
        startRound(topic, 155);
        QString expected = QStringLiteral("配信画面に映す用の「お題」");
        for (int t = 155; t >= 0; --t) {
            if (t < 155)
                m_game->tick();
            if (!shown.isEmpty() && shown.first().section(' ', 0, 0).toInt() == t)
                expected = shown.takeFirst().section(' ', 1);
            QVERIFY2(m_game->questionText() == expected, qPrintable(QString::number(t)));
            QCOMPARE(m_game->clock(), t == 0 ? -1 : t);
        }
        QVERIFY(shown.isEmpty());
        QCOMPARE(waves(), Waves({"question.wav", "ng.wav"}));
        QVERIFY(m_game->nextQuestionEnabled());
    }

    void judge_data()
    {
        // Clock -1: no round. Points 0: not a right answer.
        static const char *const table[][6] = {
            {"blanks around", "りんご", "120", " 　りんご　 ", "120", "ok.wav"},
            {"last second", "りんご", "1", "りんご", "1", "ok.wav"},
            {"vu in answer", "ヴァイオリン", "90", "ヴぁいおりん", "90", "ok.wav"},
            {"katakana", "りんご", "120", "リンゴ", "0", "newmaku.wav"},
            {"no round", "りんご", "-1", "りんご", "0", "newmaku.wav"},
            // What the idle subtitle window draws is no answer.
            {"ideographic space", "りんご", "120", "　", "0", ""},
        };
        AddTextRows({"line", "clockText", "text", "pointsText", "played"}, table);
    }

    void judge() // a right answer refused, a wrong one accepted, idle text sounding
    {
        QFETCH(QString, line);
        QFETCH(QString, clockText);
        QFETCH(QString, text);
        QFETCH(QString, pointsText);
        QFETCH(QString, played);
        const int clock = clockText.toInt();
        const qint64 points = pointsText.toLongLong();
        if (clock > 0) {
            startRound(line, clock);
        } else {
            startRound(line, 1);
            m_game->tick();
            m_waves->clear();
        }
        const QString shown = m_game->questionText();
        m_game->Hantei(text, QStringLiteral("ID:abc"));
        QCOMPARE(waves().join(' '), played);
        QCOMPARE(m_game->scores().total(), points);
        QCOMPARE(m_game->clock(), points ? -1 : clock);
        QCOMPARE(m_game->nextQuestionEnabled(), points || clock < 0);
        QCOMPARE(m_game->questionText(), points ? m_game->topic() : shown);
    }

    void secondAnswerOfARoundIsNotCounted() // one round scored twice
    {
        startRound("りんご", 100);
        m_game->Hantei("りんご", "ID:a");
        m_game->Hantei("りんご", "ID:b");
        QCOMPARE(waves(), Waves({"ok.wav", "newmaku.wav"}));
        QCOMPARE(m_game->scores().lines(), QStringList{"ID:a [Score:  100]"});
    }

    void crediting_data()
    {
        // Answers "id=points" in order; the list lines joined by "|"; the total.
        static const char *const table[][4] = {
            {"one ID sums", "ID:a=120,ID:a=80", "ID:a [Score:  200]", "200"},
            {"anonymous apart", "=50,=60", " [Score:    0]| [Score:   50]| [Score:   60]", "110"},
            {"record 0 first", "=50,ID:b=30,ID:c=5",
             "ID:b [Score:   30]| [Score:   50]|ID:c [Score:    5]", "85"},
            // Past 16 bits, and wider than the padding.
            {"in full", "ID:a=70000,ID:a=30000", "ID:a [Score:100000]", "100000"},
        };
        AddTextRows({"answers", "lines", "total"}, table);
    }

    void crediting() // points to the wrong listener, or cut at 16 bits
    {
        QFETCH(QString, answers);
        QFETCH(QString, lines);
        QFETCH(QString, total);
        ScoreTable table;
        for (const QString &answer : answers.split(',', Qt::SkipEmptyParts))
            table.credit(answer.section('=', 0, 0), answer.section('=', 1).toLongLong());
        QCOMPARE(table.lines().join('|'), lines);
        QCOMPARE(table.total(), total.toLongLong());
        table.reset();
        QCOMPARE(table.lines(), QStringList{" [Score:    0]"});
        QCOMPARE(table.total(), 0);
    }

    void imageLookupEncodesTheTopic() // a topic that breaks the search address
    {
        QVERIFY(kImageSearchAddress.startsWith("https://"));
        QCOMPARE(ImageSearchAddress("A&B#C りんご"),
                 kImageSearchAddress + "A%26B%23C%20%E3%82%8A%E3%82%93%E3%81%94");
    }

private:
    // A game whose pool is the given dictionary lines, a round started and the clock at t.
    void startRound(const QString &line, int t);
    Waves waves() const;

    std::unique_ptr<TestProgram> m_env;
    std::unique_ptr<CatfeeGame> m_game;
    std::unique_ptr<QSignalSpy> m_waves;
};

void TestGame::startRound(const QString &line, int t)
{
    QVERIFY(WriteTextFile(m_env->home.file(QStringLiteral("default.dat")), line + "\r\n"));
    m_game->LoadQuestion(PoolMode::BuiltInOnly, {});
    QVERIFY(m_game->NextQuestion());
    while (m_game->clock() > t)
        m_game->tick();
    m_waves->clear();
}

Waves TestGame::waves() const
{
    Waves names;
    for (const QList<QVariant> &call : *m_waves)
        names << call.at(0).toString().mid(m_env->home.path().size());
    return names;
}

QTEST_MAIN(TestGame)
#include "tst_game.moc"
