#include "app/mainwindowparts.h"
#include "boardserver.h"
#include "platform/boardsocket.h"
#include "support/testhome.h"
#include "threadlist/frmthread.h"
#include "threadlist/subjectfetch.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

namespace {

const QString kHost = QStringLiteral("jbbs.shitaraba.net");
const QString kBoard = QStringLiteral("https://jbbs.shitaraba.net/game/12345/");

// A rental-board thread of n posts, its title on the first.
QStringList rentalThread(const QString &title, int n)
{
    QStringList lines{QStringLiteral("1<>名無し<>sage<>2023/11/15<>本文<>") + title + "<>id"};
    return lines + QStringList(n - 1, QStringLiteral("2<>名無し<>sage<>2023/11/15<>本文<><>id"));
}

} // namespace

// The thread list reached from the real main window: a rental board's https list over TLS
// from the local board, and a row that opens a thread in the main window.
class TestThreadListRoad : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void rentalListOverTlsFromTheMenu();
    void rowClickOpensTheThread();

private:
    // The list window the menu opens for the address in the main window's address bar.
    frmThread *openList(const QString &threadUrl);

    QTemporaryDir m_dir;
    std::unique_ptr<BoardServer> m_server;
    std::unique_ptr<TestProgram> m_env;
    std::unique_ptr<frmMain> m_window;
};

void TestThreadListRoad::initTestCase()
{
    if (!QSslSocket::supportsSsl())
        QSKIP("no TLS backend");
    QProcess openssl;
    openssl.start("openssl",
                  {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout",
                   m_dir.filePath("key.pem"), "-out", m_dir.filePath("cert.pem"), "-days", "2",
                   "-subj", "/CN=" + kHost, "-addext", "subjectAltName=DNS:" + kHost});
    QVERIFY(openssl.waitForFinished(30000) && openssl.exitCode() == 0);
    m_server = std::make_unique<BoardServer>();
    QVERIFY2(m_server->listenTls(m_dir.filePath(QStringLiteral("cert.pem")),
                                 m_dir.filePath(QStringLiteral("key.pem"))),
             qPrintable(m_server->errorString()));
    m_server->setRentalThread(QStringLiteral("game"), QStringLiteral("12345"),
                              QStringLiteral("1699956800"),
                              rentalThread(QStringLiteral("雑談スレ"), 3));
    m_server->setRentalThread(QStringLiteral("game"), QStringLiteral("12345"),
                              QStringLiteral("1699913600"),
                              rentalThread(QStringLiteral("実況スレ"), 5));
    BoardSocket::setHostOverride(kHost, QStringLiteral("127.0.0.1"), m_server->port());
    BoardSocket::addCaCertificates(QSslCertificate::fromPath(m_dir.filePath("cert.pem")));
}

void TestThreadListRoad::cleanupTestCase()
{
    m_server.reset();
}

void TestThreadListRoad::init()
{
    m_env = std::make_unique<TestProgram>();
    m_window = std::make_unique<frmMain>(m_env->program);
    QVERIFY(m_window->Form_Load(QString()));
}

void TestThreadListRoad::cleanup()
{
    m_window->close();
    m_window.reset();
    m_env.reset();
}

frmThread *TestThreadListRoad::openList(const QString &threadUrl)
{
    MainWindowParts::cmbUrl(m_window)->setEditText(threadUrl);
    MainWindowParts::action(m_window, QStringLiteral("mnuThread"))->trigger();
    auto *list = m_window->findChild<frmThread *>();
    QSignalSpy ended(&list->fetch(), &SubjectFetch::listEnded);
    if (!ended.wait(10000))
        qWarning("the list did not end");
    return list;
}

void TestThreadListRoad::rentalListOverTlsFromTheMenu()
{
    frmThread *list = openList(QStringLiteral("https://jbbs.shitaraba.net/bbs/read.cgi/game/12345/"
                                              "1699956800/l50"));
    QCOMPARE(list->findChild<QComboBox *>(QStringLiteral("cmbUrl"))->currentText(), kBoard);
    QCOMPARE(list->findChild<QLabel *>(QStringLiteral("stbStatus"))->text(),
             QStringLiteral("スレッド一覧表示完了"));
    QCOMPARE(m_server->requests().last().head,
             "GET /game/12345/subject.txt HTTP/1.0\r\nHost: jbbs.shitaraba.net\r\n"
             "User-Agent: Monazilla/1.00 sazanami/1.21\r\nConnection: Close");
    // Two threads: the repeated last line of the rental board's list is gone.
    auto *rows = list->findChild<QTreeWidget *>(QStringLiteral("lvwThread"));
    QCOMPARE(rows->topLevelItemCount(), 2);
    QTreeWidgetItem *row =
        rows->findItems(QStringLiteral("実況スレ"), Qt::MatchExactly, 1).value(0);
    QVERIFY(row);
    QCOMPARE(row->text(2), QStringLiteral("   5"));
    QCOMPARE(row->text(4),
             QStringLiteral("https://jbbs.shitaraba.net/bbs/read.cgi/game/12345/1699913600/"));
}

void TestThreadListRoad::rowClickOpensTheThread()
{
    BoardServer board;
    QVERIFY(board.listen());
    board.setDat(QStringLiteral("live"), QStringLiteral("1699956800"),
                 "a<><>2023/11/15<> one <>First thread\n");
    board.setDat(QStringLiteral("live"), QStringLiteral("1699913600"),
                 "a<><>2023/11/15<> one <>Second thread\nb<><>2023/11/15<> two <>\n");
    frmThread *list = openList(board.origin() + QStringLiteral("/test/read.cgi/live/1699956800/"));
    auto *rows = list->findChild<QTreeWidget *>(QStringLiteral("lvwThread"));
    QTreeWidgetItem *row =
        rows->findItems(QStringLiteral("Second thread "), Qt::MatchExactly, 1).value(0);
    QVERIFY(row);
    QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, rows->visualItemRect(row).center());
    const QString url = board.origin() + QStringLiteral("/test/read.cgi/live/1699913600/");
    QCOMPARE(MainWindowParts::cmbUrl(m_window)->currentText(), url);
    QTRY_COMPARE_WITH_TIMEOUT(MainWindowParts::thread(m_window).ResTotal, 2, 10000);
    QCOMPARE(MainWindowParts::thread(m_window).CurrentUrl, url);
    QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), QStringLiteral("sazanami - [Second thread]"),
                              5000);
}

QTEST_MAIN(TestThreadListRoad)
#include "tst_threadlistroad.moc"
