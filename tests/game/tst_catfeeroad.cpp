#include "app/frmmain.h"
#include "boardserver.h"
#include "game/catfeegame.h"
#include "game/frmcatfee.h"
#include "game/frmquestion.h"
#include "game/frmscore.h"
#include "platform/codec.h"
#include "platform/textfile.h"
#include "platform/windowops.h"
#include "retrieval/threadloader.h"
#include "support/testhome.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <memory>

namespace {

const QString kBoard = QStringLiteral("live");
const QString kKey = QStringLiteral("1234567890");

QByteArray datLine(const QString &id, const QString &message)
{
    return Codec::toSjis(QStringLiteral("名無し<><>2026/12/06(日) 21:00:00.00 ID:") + id +
                         QStringLiteral("<> ") + message + QStringLiteral(" <>\n"));
}

template<class T> T *part(QObject *owner, const char *name)
{
    T *found = owner->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no part named \"%s\"", name);
    return found;
}

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
        m_env = std::make_unique<TestProgram>();
        QVERIFY(WriteTextFile(m_env->home.file(QStringLiteral("default.dat")),
                              QStringLiteral("りんご\r\n")));
        m_server = std::make_unique<BoardServer>();
        QVERIFY(m_server->listen());
        m_server->setDat(kBoard, kKey, datLine(QStringLiteral("START"), QStringLiteral("開始")));
        m_window = std::make_unique<frmMain>(m_env->program);
        QVERIFY(m_window->Form_Load(QString()));
        part<QTimer>(m_window.get(), "tmrMaku")->setInterval(5);
        m_window->setAddressText(m_server->origin() + QStringLiteral("/test/read.cgi/") + kBoard +
                                 QLatin1Char('/') + kKey + QLatin1Char('/'));
        post(QString(), QString());
        part<QAction>(m_window.get(), "mnuMakuView")->trigger();
    }

    void cleanup()
    {
        if (m_window)
            m_window->close();
        m_window.reset();
        m_server.reset();
        m_env.reset();
    }

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
        QTest::mouseClick(part<QPushButton>(catfee, "cmdCopy"), Qt::LeftButton);
        QCOMPARE(ClipboardText(), QStringLiteral("りんご"));
        for (int i = 0; i < 30; ++i)
            catfee->game().tick();
        QCOMPARE(labelText(question, "lblTimeLimit"), QStringLiteral("125"));
        QCOMPARE(labelText(question, "lblQuestion"), QStringLiteral("？？？"));

        // A wrong answer only sounds like any new subtitle.
        QSignalSpy waves(&catfee->game(), &CatfeeGame::waveRequested);
        post(QStringLiteral("WRONG1"), QStringLiteral("みかん"));
        QTRY_COMPARE_WITH_TIMEOUT(waves.count(), 1, 10000);
        QCOMPARE(waves.at(0).at(0).toString(), m_env->home.file(QStringLiteral("newmaku.wav")));
        QCOMPARE(labelText(question, "lblTimeLimit"), QStringLiteral("125"));
        QCOMPARE(labelText(score, "lblScore"), QStringLiteral("0"));

        post(QStringLiteral("ANSWER1"), QStringLiteral("りんご"));
        QTRY_COMPARE_WITH_TIMEOUT(labelText(question, "lblTimeLimit"), QStringLiteral("-1"), 10000);
        QCOMPARE(waves.at(1).at(0).toString(), m_env->home.file(QStringLiteral("ok.wav")));
        QCOMPARE(labelText(question, "lblQuestion"), QStringLiteral("りんご"));
        QCOMPARE(labelText(score, "lblScore"), QStringLiteral("125"));
        QCOMPARE(lines(part<QListWidget>(score, "lstScore")),
                 QStringList{QStringLiteral("ID:ANSWER1 [Score:  125]")});
        QVERIFY(next->isEnabled());

        // The question and score windows close only with the game window.
        QVERIFY(!question->close());
        QVERIFY(!score->close());
        QVERIFY(question->isVisible() && score->isVisible());
        QVERIFY(catfee->close());
        QVERIFY(!question->isVisible() && !score->isVisible());
        QTRY_VERIFY(!question && !score);

        // Reopened, it starts from zero.
        catfee = openGame();
        QVERIFY(catfee);
        QCOMPARE(labelText(catfee, "lblCount"), QStringLiteral("0"));
        QCOMPARE(lines(part<QListWidget>(catfee->findChild<frmScore *>(), "lstScore")),
                 QStringList{" [Score:    0]"});
    }

private:
    void post(const QString &id, const QString &message);
    frmCatfee *openGame();

    std::unique_ptr<TestProgram> m_env;
    std::unique_ptr<BoardServer> m_server;
    std::unique_ptr<frmMain> m_window;
};

void TestCatfeeRoad::post(const QString &id, const QString &message)
{
    if (!id.isEmpty())
        m_server->appendDat(kBoard, kKey, datLine(id, message));
    m_window->mnuReload_Click();
    QTRY_VERIFY_WITH_TIMEOUT(m_window->findChild<ThreadLoader *>()->state().Ready, 15000);
}

frmCatfee *TestCatfeeRoad::openGame()
{
    part<QAction>(m_window.get(), "mnuMakucatch")->trigger();
    auto *game = m_window->findChild<frmCatfee *>();
    if (game)
        part<QTimer>(game, "tmrTimelimit")->stop(); // the test turns the clock itself
    return game;
}

QTEST_MAIN(TestCatfeeRoad)
#include "tst_catfeeroad.moc"
