#include "boardserver.h"
#include "platform/codec.h"
#include "support/unansweredport.h"
#include "threadlist/frmthread.h"
#include "threadlist/subjectfetch.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

namespace {

const qint64 kNow = 1700000000;

QByteArray datOf(const QString &title, int posts)
{
    QString text;
    for (int n = 1; n <= posts; ++n)
        text += QStringLiteral("名無し<><>2023/11/15 ID:a<> 本文 %1 <>%2\n")
                    .arg(n)
                    .arg(n == 1 ? title : QString());
    return Codec::toSjis(text);
}

} // namespace

// The thread list window against the local board over TCP.
class TestFrmThread : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void listsTheBoardOfAThreadAddress();
    void enterListsSortsAndPicks();
    void threadAddressInsteadOfBoard();
    void refusedStatusLine();
    void noConnectionWithinTheLimit();
    void closedInTheMiddle();
    void responseOverTheBound();

private:
    QString board() const { return m_server->origin() + QStringLiteral("/news/"); }
    // Types text into the address box and presses Enter, as the user does.
    void enter(const QString &text);
    bool waitForEnd();
    QStringList column(int index) const;
    QString status() const { return m_window->findChild<QLabel *>("stbStatus")->text(); }
    bool idle() const { return cmbUrl()->isEnabled(); }
    QComboBox *cmbUrl() const { return m_window->findChild<QComboBox *>("cmbUrl"); }
    QTreeWidget *lvwThread() const { return m_window->findChild<QTreeWidget *>("lvwThread"); }

    std::unique_ptr<BoardServer> m_server;
    QPointer<frmThread> m_window;
    std::unique_ptr<QSignalSpy> m_ended;
};

void TestFrmThread::init()
{
    m_server = std::make_unique<BoardServer>();
    QVERIFY(m_server->listen());
    m_server->setDat(QStringLiteral("news"), QStringLiteral("1699956800"),
                     datOf(QStringLiteral("半日前のスレ"), 100));
    m_window = new frmThread;
    m_window->fetch().setClock([] { return kNow; });
    m_ended = std::make_unique<QSignalSpy>(&m_window->fetch(), &SubjectFetch::listEnded);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void TestFrmThread::cleanup()
{
    m_ended.reset();
    delete m_window;
    m_server.reset();
}

void TestFrmThread::enter(const QString &text)
{
    QWidget *focus = m_window->focusWidget();
    QVERIFY(focus);
    QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(focus, text);
    QTest::keyClick(focus, Qt::Key_Return);
}

bool TestFrmThread::waitForEnd()
{
    return m_ended->wait(8000) && idle();
}

QStringList TestFrmThread::column(int index) const
{
    QStringList texts;
    for (int i = 0; i < lvwThread()->topLevelItemCount(); ++i)
        texts << lvwThread()->topLevelItem(i)->text(index);
    return texts;
}

void TestFrmThread::listsTheBoardOfAThreadAddress()
{
    m_window->ShowBoardOf(m_server->origin() +
                          QStringLiteral("/test/read.cgi/news/1699956800/l50"));
    QCOMPARE(cmbUrl()->currentText(), board());
    QVERIFY(!idle());
    QVERIFY(waitForEnd());
    QCOMPARE(status(), QStringLiteral("スレッド一覧表示完了"));
    QCOMPARE(lvwThread()->topLevelItemCount(), 1);
    QTreeWidgetItem *row = lvwThread()->topLevelItem(0);
    const QStringList cells = {row->text(0), row->text(1), row->text(2), row->text(3),
                               row->text(4)};
    QCOMPARE(cells, (QStringList{"0001", "半日前のスレ ", " 100", "  200.0",
                                 m_server->origin() + "/test/read.cgi/news/1699956800/"}));
    QCOMPARE(m_server->requests().size(), 1);
    QCOMPARE(m_server->requests()[0].head,
             "GET /news/subject.txt HTTP/1.0\r\nHost: 127.0.0.1:" +
                 QByteArray::number(m_server->port()) +
                 "\r\nUser-Agent: Monazilla/1.00 sazanami/1.21\r\nConnection: Close");
}

void TestFrmThread::enterListsSortsAndPicks()
{
    m_server->setDat(QStringLiteral("news"), QStringLiteral("1699913600"),
                     datOf(QStringLiteral("一日前"), 5));
    m_server->setDat(QStringLiteral("news"), QStringLiteral("1699999000"),
                     datOf(QStringLiteral("勢いのあるスレ"), 1000));
    enter(board());
    QVERIFY(waitForEnd());
    QCOMPARE(cmbUrl()->count(), 1);
    QCOMPARE(lvwThread()->topLevelItemCount(), 3);

    // "勢い" twice: one direction, then the other.
    QHeaderView *header = lvwThread()->header();
    const QPoint rate(header->sectionViewportPosition(3) + 5, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, rate);
    QCOMPARE(column(3), (QStringList{"86400.0", "  200.0", "    5.0"}));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, rate);
    QCOMPARE(column(3), (QStringList{"    5.0", "  200.0", "86400.0"}));

    QSignalSpy chosen(m_window.data(), &frmThread::threadChosen);
    QTreeWidgetItem *last = lvwThread()->topLevelItem(2);
    QTest::mouseClick(lvwThread()->viewport(), Qt::LeftButton, {},
                      lvwThread()->visualItemRect(last).center());
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen[0][0].toString(),
             m_server->origin() + QStringLiteral("/test/read.cgi/news/1699999000/"));
}

void TestFrmThread::threadAddressInsteadOfBoard()
{
    enter(board());
    QVERIFY(waitForEnd());
    enter(m_server->origin() + QStringLiteral("/test/read.cgi/news/1699956800/"));
    QCOMPARE(status(), QStringLiteral("板のURLを入力してください"));
    QVERIFY(idle());
    QCOMPARE(lvwThread()->topLevelItemCount(), 1);
    QCOMPARE(m_server->requests().size(), 1);
}

void TestFrmThread::refusedStatusLine()
{
    enter(board());
    QVERIFY(waitForEnd());
    BoardServer::Behaviour refused;
    refused.statusLine = "HTTP/1.1 403 Forbidden";
    m_server->setBehaviour(refused);
    enter(board());
    QVERIFY(waitForEnd());
    QCOMPARE(status(), QStringLiteral("HTTP/1.1 403 Forbidden"));
    QCOMPARE(lvwThread()->topLevelItemCount(), 0);
}

void TestFrmThread::noConnectionWithinTheLimit()
{
    UnansweredPort unanswered;
    QVERIFY(unanswered.port());
    m_window->fetch().setConnectLimit(300);
    const QString remote = QStringLiteral("127.0.0.1:") + QString::number(unanswered.port());
    enter(QStringLiteral("http://") + remote + QStringLiteral("/news/"));
    QCOMPARE(status(), remote + QStringLiteral("に接続中..."));
    QVERIFY(waitForEnd());
    QCOMPARE(status(), remote + QStringLiteral("に接続できませんでした"));
    QCOMPARE(lvwThread()->topLevelItemCount(), 0);
}

void TestFrmThread::closedInTheMiddle()
{
    for (int i = 0; i < 20; ++i)
        m_server->setDat(QStringLiteral("news"), QString::number(1600000000 + i),
                         datOf(QStringLiteral("スレ"), 1));
    BoardServer::Behaviour early;
    early.closeAfter = 400;
    m_server->setBehaviour(early);
    enter(board());
    QVERIFY(waitForEnd());
    QCOMPARE(status(),
             QStringLiteral("スレッド一覧の受信が中断されました（届いた分だけ表示しています）"));
    // The complete lines that came before the close.
    const int rows = lvwThread()->topLevelItemCount();
    QVERIFY2(rows > 0 && rows < 21, qPrintable(QString::number(rows)));
}

void TestFrmThread::responseOverTheBound()
{
    for (int i = 0; i < 20; ++i)
        m_server->setDat(QStringLiteral("news"), QString::number(1600000000 + i),
                         datOf(QStringLiteral("スレ"), 1));
    m_window->fetch().setResponseLimit(400);
    enter(board());
    QVERIFY(waitForEnd());
    QCOMPARE(status(),
             QStringLiteral("受信データが大きすぎるため受信を打ち切りました（上限400byte）"));
    const int rows = lvwThread()->topLevelItemCount();
    QVERIFY2(rows > 0 && rows < 21, qPrintable(QString::number(rows)));
}

QTEST_MAIN(TestFrmThread)
#include "tst_frmthread.moc"
