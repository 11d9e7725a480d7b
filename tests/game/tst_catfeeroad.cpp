#include "app/localboardwindow.h"
#include "game/catfeegame.h"
#include "game/frmcatfee.h"
#include "game/frmquestion.h"
#include "game/frmscore.h"
#include "platform/textfile.h"

#include <QPushButton>

using MainWindowParts::part;

namespace {

QString labelText(QObject *owner, const char *name)
{
    return part<QLabel>(owner, name)->text();
}

QStringList lines(QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

} // namespace

// A round of the guessing game in the real windows, answered by posts from the local board.
class TestCatfeeRoad : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_board = std::make_unique<LocalBoardWindow>();
        QVERIFY(WriteTextFile(m_board->env.home.file(QStringLiteral("default.dat")),
                              QStringLiteral("りんご\r\n")));
        QVERIFY(m_board->open(datLine(QStringLiteral("START"), QStringLiteral("開始"))));
        part<QTimer>(m_board->window, "tmrMaku")->setInterval(5);
        part<QAction>(m_board->window, "mnuMakuView")->trigger();
    }

    void cleanup() { m_board.reset(); }

    // A right answer not ending the round or credited to another ID; the side windows left
    // behind; a reopened game carrying the old round.
    void postedAnswerEndsTheRoundAndScores()
    {
        frmCatfee *catfee = openGame();
        QVERIFY(catfee && catfee->isVisible());
        QPointer<frmQuestion> question = catfee->findChild<frmQuestion *>();
        QPointer<frmScore> score = catfee->findChild<frmScore *>();
        QVERIFY(question->isVisible() && score->isVisible());

        auto *next = part<QPushButton>(catfee, "cmdNextQuestion");
        QTest::mouseClick(next, Qt::LeftButton);
        QVERIFY(!next->isEnabled());
        QCOMPARE(labelText(catfee, "lblOdai"), QStringLiteral("りんご"));
        QCOMPARE(labelText(catfee, "lblCount"), QStringLiteral("1"));
        for (int i = 0; i < 30; ++i)
            catfee->game().tick();
        QCOMPARE(labelText(question, "lblTimeLimit"), QStringLiteral("125"));

        // A wrong answer, then the right one: the round ends, scored for its poster alone.
        m_board->append(datLine(QStringLiteral("WRONG1"), QStringLiteral("みかん")) +
                        datLine(QStringLiteral("ANSWER1"), QStringLiteral("りんご")));
        QVERIFY(m_board->reload());
        QTRY_COMPARE_WITH_TIMEOUT(labelText(question, "lblTimeLimit"), QStringLiteral("-1"), 10000);
        QCOMPARE(labelText(question, "lblQuestion"), QStringLiteral("りんご"));
        QCOMPARE(labelText(score, "lblScore"), QStringLiteral("125"));
        QCOMPARE(lines(part<QListWidget>(score, "lstScore")),
                 QStringList{QStringLiteral("ID:ANSWER1 [Score:  125]")});
        QVERIFY(next->isEnabled());

        // The question and score windows go with the game window.
        QVERIFY(catfee->close());
        QTRY_VERIFY(!question && !score);

        // Reopened, it starts from zero.
        catfee = openGame();
        QVERIFY(catfee);
        QCOMPARE(labelText(catfee, "lblCount"), QStringLiteral("0"));
        QCOMPARE(lines(part<QListWidget>(catfee->findChild<frmScore *>(), "lstScore")),
                 QStringList{" [Score:    0]"});
    }

private:
    frmCatfee *openGame()
    {
        part<QAction>(m_board->window, "mnuMakucatch")->trigger();
        auto *game = m_board->window->findChild<frmCatfee *>();
        if (game)
            part<QTimer>(game, "tmrTimelimit")->stop(); // the test turns the clock itself
        return game;
    }

    std::unique_ptr<LocalBoardWindow> m_board;
};

QTEST_MAIN(TestCatfeeRoad)
#include "tst_catfeeroad.moc"
