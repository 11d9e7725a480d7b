#include "game/catfeegame.h"
#include "game/dictionary.h"
#include "game/scores.h"
#include "platform/textfile.h"
#include "support/testhome.h"

#include <QDir>
#include <QtTest>
#include <memory>

using Waves = QStringList;

// The game's rules without a window: dictionaries, drawing, the round clock, judging, scores.
class TestGame : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void drawnTopicIsCleaned_data();
    void drawnTopicIsCleaned();
    void drawNeverTakesTheRemainder_data();
    void drawNeverTakesTheRemainder();
    void modesJoinDictionaries_data();
    void modesJoinDictionaries();
    void emptyPoolRefusesARound();
    void hintSchedule_data();
    void hintSchedule();
    void judge_data();
    void judge();
    void secondAnswerOfARoundIsNotCounted();
    void crediting_data();
    void crediting();
    void imageLookupEncodesTheTopic();

private:
    // A game whose pool is the given dictionary lines, a round started and the clock at t.
    void startRound(const QString &line, int t);
    Waves waves() const;

    std::unique_ptr<TestProgram> m_env;
    std::unique_ptr<CatfeeGame> m_game;
    std::unique_ptr<QSignalSpy> m_waves;
    double m_r = 0;
};

void TestGame::init()
{
    m_env = std::make_unique<TestProgram>();
    m_env->program.flags.GameOpen = true;
    m_game = std::make_unique<CatfeeGame>(m_env->program);
    m_game->setRandom([this] { return m_r; });
    m_waves = std::make_unique<QSignalSpy>(m_game.get(), &CatfeeGame::waveRequested);
    m_r = 0;
}

void TestGame::cleanup()
{
    m_waves.reset();
    m_game.reset();
    m_env.reset();
}

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

void TestGame::drawnTopicIsCleaned_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("topic");
    const char *rows[][3] = {
        {"comment", "りんご // fruit", "りんご"},
        {"at line start no comment", "//memo", "//memo"},
        {"blanks, katakana", "  オレンジ", "おれんじ"},
        {"vu", "ヴァイオリン", "う゛ぁいおりん"},
        {"full-width minus", "Ｔ－シャツ", "Ｔーしゃつ"},
        {"minus", "T-シャツ", "Tーしゃつ"},
        {"ideographic spaces trimmed", "　みかん　", "みかん"},
        {"blanks behind a tab", " \t すいか\t", "すいか"},
        {"empty", "\t", "このもんだいはふせいです"},
        {"katakana range ends", "ァンヵヶｱー", "ぁんヵヶｱー"},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QString::fromUtf8(row[1]) << QString::fromUtf8(row[2]);
}

void TestGame::drawnTopicIsCleaned()
{
    QFETCH(QString, line);
    QFETCH(QString, topic);
    QCOMPARE(GetQuestion({line, QString()}, [] { return 0.7; }).value_or("<none>"), topic);
}

void TestGame::drawNeverTakesTheRemainder_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("r");
    QTest::addColumn<QString>("topic");
    QTest::newRow("0") << "あ\r\nい\r\n" << 0.0 << "あ";
    QTest::newRow("below half") << "あ\r\nい\r\n" << 0.49 << "あ";
    QTest::newRow("half") << "あ\r\nい\r\n" << 0.5 << "い";
    QTest::newRow("near 1") << "あ\r\nい\r\n" << 0.9999 << "い";
    QTest::newRow("one element") << "う" << 0.9 << "う";
}

void TestGame::drawNeverTakesTheRemainder()
{
    QFETCH(QString, text);
    QFETCH(double, r);
    QFETCH(QString, topic);
    const QStringList pool = SplitPool(text);
    QCOMPARE(pool.size(), text.count("\r\n") + 1);
    QCOMPARE(GetQuestion(pool, [r] { return r; }).value_or("<none>"), topic);
}

void TestGame::modesJoinDictionaries_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("pool");
    QTest::addColumn<QStringList>("messages");
    const QString a = QStringLiteral("追加辞書 「a.cfq」を読み込みました");
    const QString b = QStringLiteral("追加辞書 「cfq\\b.cfq」を読み込みました");
    const QString builtIn = QStringLiteral("内蔵辞書を読み込みました");
    QTest::newRow("built-in") << 0 << QStringList{"うち", ""} << QStringList{builtIn};
    QTest::newRow("added") << 1 << QStringList{"えー", "びー", ""} << QStringList{a, b};
    QTest::newRow("both") << 2 << QStringList{"うち", "えー", "びー", ""}
                          << QStringList{builtIn, a, b};
    QTest::newRow("added twice") << 3 << QStringList{"うち", "えー", "えー", "びー", "びー", ""}
                                 << QStringList{
                                        builtIn, "追加辞書 「a.cfq」を読み込みました（高確率）",
                                        "追加辞書 「cfq\\b.cfq」を読み込みました（高確率）"};
    QTest::newRow("built-in twice") << 4 << QStringList{"うち", "うち", "えー", "びー", ""}
                                    << QStringList{"内蔵辞書を読み込みました（高確率）", a, b};
}

void TestGame::modesJoinDictionaries()
{
    QFETCH(int, mode);
    QFETCH(QStringList, pool);
    QFETCH(QStringList, messages);
    const TestHome &home = m_env->home;
    QVERIFY(QDir(home.path()).mkpath("cfq"));
    QVERIFY(WriteTextFile(home.file("default.dat"), "うち\r\n"));
    QVERIFY(WriteTextFile(home.file("a.cfq"), "えー\r\n"));
    QVERIFY(WriteTextFile(home.file("cfq/b.cfq"), "びー\r\n"));
    QVERIFY(WriteTextFile(home.file("c.txt"), "しー\r\n"));
    const QVector<DictionaryEntry> found = ListDictionaries(home.path());
    QCOMPARE(found.size(), 2);
    QCOMPARE(found[0].name, "a.cfq");
    QCOMPARE(found[1].name, "cfq\\b.cfq");
    QSignalSpy said(m_game.get(), &CatfeeGame::systemText);
    m_game->LoadQuestion(PoolMode(mode), found);
    QCOMPARE(m_game->pool(), pool);
    QStringList got;
    for (const QList<QVariant> &call : said)
        got << call.at(0).toString();
    QCOMPARE(got, messages);
}

void TestGame::emptyPoolRefusesARound()
{
    // No dictionary at all: no topic, no round.
    m_game->LoadQuestion(PoolMode::Both, {{"x.cfq", m_env->home.file("x.cfq")}});
    QVERIFY(m_game->pool().isEmpty());
    QSignalSpy said(m_game.get(), &CatfeeGame::systemText);
    QVERIFY(!m_game->NextQuestion());
    QCOMPARE(said.count(), 1);
    QCOMPARE(said.at(0).at(0).toString(), "お題がありません。辞書を読み込んでください");
    QCOMPARE(m_game->clock(), -1);
    QCOMPARE(m_game->roundCount(), 0);
    QVERIFY(m_game->nextQuestionEnabled());
}

void TestGame::hintSchedule_data()
{
    // What the question label shows from each second on, until the next entry.
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("2") << "いぬ" << QStringList{"150 ？？？", "90 ○○", "0 いぬ"};
    QTest::newRow("3") << "りんご" << QStringList{"150 ？？？", "90 ○○○", "30 り○○", "0 りんご"};
    QTest::newRow("5") << "かぶとむし"
                       << QStringList{"150 ？？？", "90 ○○○○○", "45 か○○○○", "30 か○○○し",
                                      "0 かぶとむし"};
    QTest::newRow("8") << "じどうはんばいき"
                       << QStringList{"150 ？？？", "90 ○○○○○○○○", "60 じ○○○○○○○", "40 じ○○○○○○き",
                                      "0 じどうはんばいき"};
    QTest::newRow("10") << "ゆきだるまをつくろう" << QStringList{"150 ？？？",
                                                                 "90 ○○○○○○○○○○",
                                                                 "60 ゆ○○○○○○○○○",
                                                                 "45 ゆ○○○○○○○○う",
                                                                 "30 ゆき○○○○○○○う",
                                                                 "20 ゆき○○○○○○ろう",
                                                                 "0 ゆきだるまをつくろう"};
}

void TestGame::hintSchedule()
{
    QFETCH(QString, topic);
    QFETCH(QStringList, shown);
    startRound(topic, 155);
    QCOMPARE(m_game->topic(), topic);
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
    m_game->tick();
    QCOMPARE(m_game->clock(), -1);
}

void TestGame::judge_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("clock");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("points");
    QTest::addColumn<QStringList>("played");
    const QStringList ok{"ok.wav"};
    const QStringList maku{"newmaku.wav"};
    QTest::newRow("exact") << "りんご" << 120 << "りんご" << qint64(120) << ok;
    QTest::newRow("spaces") << "りんご" << 120 << " りんご " << qint64(120) << ok;
    QTest::newRow("ideographic spaces") << "りんご" << 120 << "　りんご　" << qint64(120) << ok;
    QTest::newRow("lead-in") << "りんご" << 153 << "りんご" << qint64(153) << ok;
    QTest::newRow("last second") << "りんご" << 1 << "りんご" << qint64(1) << ok;
    QTest::newRow("vu in answer") << "ヴァイオリン" << 90 << "ヴぁいおりん" << qint64(90) << ok;
    QTest::newRow("katakana") << "りんご" << 120 << "リンゴ" << qint64(0) << maku;
    QTest::newRow("minus") << "T-シャツ" << 120 << "T-しゃつ" << qint64(0) << maku;
    QTest::newRow("no round") << "りんご" << -1 << "りんご" << qint64(0) << maku;
    QTest::newRow("empty") << "りんご" << 120 << "" << qint64(0) << QStringList();
    QTest::newRow("space") << "りんご" << 120 << " " << qint64(0) << QStringList();
    QTest::newRow("ideographic space") << "りんご" << 120 << "　" << qint64(0) << QStringList();
}

void TestGame::judge()
{
    QFETCH(QString, line);
    QFETCH(int, clock);
    QFETCH(QString, text);
    QFETCH(qint64, points);
    QFETCH(QStringList, played);
    if (clock > 0) {
        startRound(line, clock);
    } else {
        startRound(line, 1);
        m_game->tick();
        m_waves->clear();
    }
    const QString shown = m_game->questionText();
    m_game->Hantei(text, QStringLiteral("ID:abc"));
    QCOMPARE(waves(), played);
    QCOMPARE(m_game->scores().total(), points);
    QCOMPARE(m_game->clock(), points ? -1 : clock);
    QCOMPARE(m_game->nextQuestionEnabled(), points || clock < 0);
    QCOMPARE(m_game->questionText(), points ? m_game->topic() : shown);
    QCOMPARE(m_game->scores().lines().first(),
             points ? QStringLiteral("ID:abc [Score:%1]").arg(points, 5) : " [Score:    0]");
}

void TestGame::secondAnswerOfARoundIsNotCounted()
{
    startRound("りんご", 100);
    m_game->Hantei("りんご", "ID:a");
    m_game->Hantei("りんご", "ID:b");
    QCOMPARE(waves(), Waves({"ok.wav", "newmaku.wav"}));
    QCOMPARE(m_game->scores().lines(), QStringList{"ID:a [Score:  100]"});
    // Without newmaku.wav in the folder a wrong answer is silent.
    QVERIFY(QFile::remove(m_env->home.file("newmaku.wav")));
    m_game->Hantei("りんご", "ID:b");
    QCOMPARE(waves().size(), 2);
}

void TestGame::crediting_data()
{
    // Answers "id=points" in order; the list lines joined by "|".
    QTest::addColumn<QString>("answers");
    QTest::addColumn<QString>("lines");
    QTest::addColumn<qint64>("total");
    QTest::newRow("reset") << ""
                           << " [Score:    0]" << qint64(0);
    QTest::newRow("one ID sums") << "ID:a=120,ID:a=80"
                                 << "ID:a [Score:  200]" << qint64(200);
    QTest::newRow("anonymous apart")
        << "=50,=60"
        << " [Score:    0]| [Score:   50]| [Score:   60]" << qint64(110);
    QTest::newRow("record 0 first")
        << "=50,ID:b=30,ID:c=5"
        << "ID:b [Score:   30]| [Score:   50]|ID:c [Score:    5]" << qint64(85);
    QTest::newRow("in full") << "ID:a=100000"
                             << "ID:a [Score:100000]" << qint64(100000);
    QTest::newRow("past 16 bits") << "ID:a=30000,ID:a=30000"
                                  << "ID:a [Score:60000]" << qint64(60000);
}

void TestGame::crediting()
{
    QFETCH(QString, answers);
    QFETCH(QString, lines);
    QFETCH(qint64, total);
    ScoreTable table;
    for (const QString &answer : answers.split(',', Qt::SkipEmptyParts))
        table.credit(answer.section('=', 0, 0), answer.section('=', 1).toLongLong());
    QCOMPARE(table.lines().join('|'), lines);
    QCOMPARE(table.total(), total);
    table.reset();
    QCOMPARE(table.lines(), QStringList{" [Score:    0]"});
    QCOMPARE(table.total(), 0);
}

void TestGame::imageLookupEncodesTheTopic()
{
    QVERIFY(kImageSearchAddress.startsWith("https://"));
    QCOMPARE(ImageSearchAddress("A&B#C りんご"),
             kImageSearchAddress + "A%26B%23C%20%E3%82%8A%E3%82%93%E3%81%94");
}

QTEST_MAIN(TestGame)
#include "tst_game.moc"
