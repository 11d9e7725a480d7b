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

QByteArray datOf(const QString &title, int posts)
{
    return Codec::toSjis(title + QLatin1Char('\n')).prepend("a<><>2023<> x <>") +
           QByteArray("a<><>2023<> x <>\n").repeated(posts - 1);
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
    void endsEarly_data();
    void endsEarly();
    void noConnectionWithinTheLimit();

private:
    QString board() const { return m_server->origin() + QStringLiteral("/news/"); }
    // Types text into the address box and presses Enter, as the user does; waits for the end.
    bool enter(const QString &text, bool listing = true);
    QStringList column(int index) const;
    QString status() const { return m_window->findChild<QLabel *>("stbStatus")->text(); }
    QTreeWidget *lvwThread() const { return m_window->findChild<QTreeWidget *>("lvwThread"); }

    std::unique_ptr<BoardServer> m_server;
    std::unique_ptr<frmThread> m_window;
};

void TestFrmThread::init()
{
    m_server = std::make_unique<BoardServer>();
    QVERIFY(m_server->listen());
    m_server->setDat(QStringLiteral("news"), QStringLiteral("1699956800"),
                     datOf(QStringLiteral("半日前のスレ"), 100));
    m_window = std::make_unique<frmThread>();
    m_window->setAttribute(Qt::WA_DeleteOnClose, false);
    m_window->fetch().setClock([] { return qint64(1700000000); });
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestFrmThread::cleanup()
{
    m_window.reset();
    m_server.reset();
}

bool TestFrmThread::enter(const QString &text, bool listing)
{
    QSignalSpy ended(&m_window->fetch(), &SubjectFetch::listEnded);
    QWidget *focus = m_window->focusWidget();
    QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(focus, text);
    QTest::keyClick(focus, Qt::Key_Return);
    return !listing ||
           (ended.wait(8000) && m_window->findChild<QComboBox *>("cmbUrl")->isEnabled());
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
    QSignalSpy ended(&m_window->fetch(), &SubjectFetch::listEnded);
    m_window->ShowBoardOf(m_server->origin() +
                          QStringLiteral("/test/read.cgi/news/1699956800/l50"));
    QCOMPARE(m_window->findChild<QComboBox *>("cmbUrl")->currentText(), board());
    QVERIFY(ended.wait(8000));
    QCOMPARE(status(), QStringLiteral("スレッド一覧表示完了"));
    QTreeWidgetItem *row = lvwThread()->topLevelItem(0);
    QCOMPARE(lvwThread()->topLevelItemCount(), 1);
    QCOMPARE((QStringList{row->text(0), row->text(1), row->text(2), row->text(3), row->text(4)}),
             (QStringList{"0001", "半日前のスレ ", " 100", "  200.0",
                          m_server->origin() + "/test/read.cgi/news/1699956800/"}));
}

void TestFrmThread::enterListsSortsAndPicks()
{
    m_server->setDat(QStringLiteral("news"), QStringLiteral("1699913600"),
                     datOf(QStringLiteral("一日前"), 5));
    m_server->setDat(QStringLiteral("news"), QStringLiteral("1699999000"),
                     datOf(QStringLiteral("勢いのあるスレ"), 1000));
    QVERIFY(enter(board()));
    QCOMPARE(m_window->findChild<QComboBox *>("cmbUrl")->count(), 1);

    // "勢い" twice: one direction, then the other.
    QHeaderView *header = lvwThread()->header();
    const QPoint rate(header->sectionViewportPosition(3) + 5, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, rate);
    QCOMPARE(column(3), (QStringList{"86400.0", "  200.0", "    5.0"}));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, rate);
    QCOMPARE(column(3), (QStringList{"    5.0", "  200.0", "86400.0"}));

    QSignalSpy chosen(m_window.get(), &frmThread::threadChosen);
    QTest::mouseClick(lvwThread()->viewport(), Qt::LeftButton, {},
                      lvwThread()->visualItemRect(lvwThread()->topLevelItem(2)).center());
    QCOMPARE(chosen.value(0).value(0).toString(),
             m_server->origin() + QStringLiteral("/test/read.cgi/news/1699999000/"));
}

void TestFrmThread::threadAddressInsteadOfBoard()
{
    QVERIFY(enter(board()));
    enter(m_server->origin() + QStringLiteral("/test/read.cgi/news/1699956800/"), false);
    QCOMPARE(status(), QStringLiteral("板のURLを入力してください"));
    QCOMPARE(lvwThread()->topLevelItemCount(), 1);
    QCOMPARE(m_server->requests().size(), 1);
}

void TestFrmThread::endsEarly_data()
{
    QTest::addColumn<QByteArray>("statusLine");
    QTest::addColumn<int>("closeAfter");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("someRows");
    QTest::newRow("refused") << QByteArray("HTTP/1.1 403 Forbidden") << -1 << 0
                             << "HTTP/1.1 403 Forbidden" << false;
    // The rows whose lines came whole, and a status that says the list is partial.
    QTest::newRow("closed in the middle")
        << QByteArray() << 400 << 0
        << "スレッド一覧の受信が中断されました（届いた分だけ表示しています）" << true;
    QTest::newRow("over the bound")
        << QByteArray() << -1 << 400
        << "受信データが大きすぎるため受信を打ち切りました（上限400byte）" << true;
}

void TestFrmThread::endsEarly()
{
    QFETCH(QByteArray, statusLine);
    QFETCH(int, closeAfter);
    QFETCH(int, limit);
    QFETCH(QString, message);
    QFETCH(bool, someRows);
    for (int i = 0; i < 20; ++i)
        m_server->setDat(QStringLiteral("news"), QString::number(1600000000 + i),
                         datOf(QStringLiteral("スレ"), 1));
    BoardServer::Behaviour behaviour;
    behaviour.statusLine = statusLine;
    behaviour.closeAfter = closeAfter;
    m_server->setBehaviour(behaviour);
    if (limit)
        m_window->fetch().setResponseLimit(limit);
    QVERIFY(enter(board()));
    QCOMPARE(status(), message);
    const int rows = lvwThread()->topLevelItemCount();
    QVERIFY2(someRows ? rows > 0 && rows < 21 : rows == 0, qPrintable(QString::number(rows)));
}

void TestFrmThread::noConnectionWithinTheLimit()
{
    UnansweredPort unanswered;
    QVERIFY(unanswered.port());
    m_window->fetch().setConnectLimit(300);
    const QString remote = QStringLiteral("127.0.0.1:") + QString::number(unanswered.port());
    QVERIFY(enter(QStringLiteral("http://") + remote + QStringLiteral("/news/")));
    QCOMPARE(status(), remote + QStringLiteral("に接続できませんでした"));
    QCOMPARE(lvwThread()->topLevelItemCount(), 0);
}

QTEST_MAIN(TestFrmThread)
#include "tst_frmthread.moc"
