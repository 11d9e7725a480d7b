#include "app/mainwindowparts.h"
#include "boardserver.h"
#include "platform/boardsocket.h"
#include "platform/codec.h"
#include "support/testhome.h"
#include "support/unansweredport.h"
#include "threadlist/frmthread.h"
#include "threadlist/subjectfetch.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

namespace {

QByteArray datOf(const QString &title, int posts)
{
    return Codec::toSjis(title + QLatin1Char('\n')).prepend("a<><>2023<> x <>") +
           QByteArray("a<><>2023<> x <>\n").repeated(posts - 1);
}

// A rental-board thread of n posts, its title on the first.
QStringList rentalThread(const QString &title, int n)
{
    QStringList lines{QStringLiteral("1<>名無し<>sage<>2023/11/15<>本文<>") + title + "<>id"};
    return lines + QStringList(n - 1, QStringLiteral("2<>名無し<>sage<>2023/11/15<>本文<><>id"));
}

} // namespace

// The thread list opened from the real main window's menu, against the local board over TCP.
class TestThreadListRoad : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_server = std::make_unique<BoardServer>();
        QVERIFY(m_server->listen());
        m_server->setDat(QStringLiteral("news"), QStringLiteral("1699956800"),
                         datOf(QStringLiteral("半日前のスレ"), 100));
        m_env = std::make_unique<TestProgram>();
        m_window = std::make_unique<frmMain>(m_env->program);
        QVERIFY(m_window->Form_Load(QString()));
        QVERIFY(
            openList(m_server->origin() + QStringLiteral("/test/read.cgi/news/1699956800/l50")));
        m_list->fetch().setClock([] { return qint64(1700000000); });
        QVERIFY(QTest::qWaitForWindowActive(m_list));
    }

    void cleanup()
    {
        m_window->close();
        m_window.reset();
        m_env.reset();
        m_server.reset();
        m_list = nullptr;
        BoardSocket::resetTestHooks();
    }

    void rentalListOverTlsFromTheMenu()
    {
        if (!QSslSocket::supportsSsl())
            QSKIP("no TLS backend");
        const QString host = QStringLiteral("jbbs.shitaraba.net");
        QTemporaryDir dir;
        QProcess openssl;
        openssl.start("openssl",
                      {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout",
                       dir.filePath("key.pem"), "-out", dir.filePath("cert.pem"), "-days", "2",
                       "-subj", "/CN=" + host, "-addext", "subjectAltName=DNS:" + host});
        QVERIFY(openssl.waitForFinished(30000) && openssl.exitCode() == 0);
        BoardServer tls;
        QVERIFY2(tls.listenTls(dir.filePath("cert.pem"), dir.filePath("key.pem")),
                 qPrintable(tls.errorString()));
        tls.setRentalThread("game", "12345", "1699956800", rentalThread("雑談スレ", 3));
        tls.setRentalThread("game", "12345", "1699913600", rentalThread("実況スレ", 5));
        BoardSocket::setHostOverride(host, QStringLiteral("127.0.0.1"), tls.port());
        BoardSocket::addCaCertificates(QSslCertificate::fromPath(dir.filePath("cert.pem")));

        QVERIFY(openList("https://jbbs.shitaraba.net/bbs/read.cgi/game/12345/1699956800/l50"));
        QCOMPARE(m_list->findChild<QComboBox *>("cmbUrl")->currentText(),
                 QStringLiteral("https://jbbs.shitaraba.net/game/12345/"));
        QCOMPARE(status(), QStringLiteral("スレッド一覧表示完了"));
        QCOMPARE(tls.requests().last().head,
                 "GET /game/12345/subject.txt HTTP/1.0\r\nHost: jbbs.shitaraba.net\r\n"
                 "User-Agent: Monazilla/1.00 sazanami/1.21\r\nConnection: Close");
        // Two threads: the repeated last line of the rental board's list is gone.
        QCOMPARE(rows()->topLevelItemCount(), 2);
        QTreeWidgetItem *row = rows()->findItems("実況スレ", Qt::MatchExactly, 1).value(0);
        QVERIFY(row);
        QCOMPARE(row->text(2), QStringLiteral("   5"));
        QCOMPARE(row->text(4), "https://jbbs.shitaraba.net/bbs/read.cgi/game/12345/1699913600/");
    }

    void enterListsAndSorts()
    {
        m_server->setDat("news", "1699913600", datOf("一日前", 5));
        m_server->setDat("news", "1699999000", datOf("勢いのあるスレ", 1000));
        QVERIFY(enter(board()));
        QCOMPARE(m_list->findChild<QComboBox *>("cmbUrl")->count(), 1);
        // "勢い" twice: one direction, then the other.
        QHeaderView *header = rows()->header();
        const QPoint rate(header->sectionViewportPosition(3) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, rate);
        QCOMPARE(column(3), (QStringList{"86400.0", "  200.0", "    5.0"}));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, rate);
        QCOMPARE(column(3), (QStringList{"    5.0", "  200.0", "86400.0"}));
    }

    void threadAddressInsteadOfBoard()
    {
        enter(m_server->origin() + QStringLiteral("/test/read.cgi/news/1699956800/"), false);
        QCOMPARE(status(), QStringLiteral("板のURLを入力してください"));
        QCOMPARE(rows()->topLevelItemCount(), 1);
        QCOMPARE(m_server->requests().size(), 1);
    }

    void endsEarly_data()
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

    void endsEarly()
    {
        QFETCH(QByteArray, statusLine);
        QFETCH(int, closeAfter);
        QFETCH(int, limit);
        QFETCH(QString, message);
        QFETCH(bool, someRows);
        for (int i = 0; i < 20; ++i)
            m_server->setDat("news", QString::number(1600000000 + i), datOf("スレ", 1));
        BoardServer::Behaviour behaviour;
        behaviour.statusLine = statusLine;
        behaviour.closeAfter = closeAfter;
        m_server->setBehaviour(behaviour);
        if (limit)
            m_list->fetch().setResponseLimit(limit);
        QVERIFY(enter(board()));
        QCOMPARE(status(), message);
        const int count = rows()->topLevelItemCount();
        QVERIFY2(someRows ? count > 0 && count < 21 : count == 0,
                 qPrintable(QString::number(count)));
    }

    void noConnectionWithinTheLimit()
    {
        UnansweredPort unanswered;
        QVERIFY(unanswered.port());
        m_list->fetch().setConnectLimit(300);
        const QString remote = QStringLiteral("127.0.0.1:") + QString::number(unanswered.port());
        QVERIFY(enter(QStringLiteral("http://") + remote + QStringLiteral("/news/")));
        QCOMPARE(status(), remote + QStringLiteral("に接続できませんでした"));
        QCOMPARE(rows()->topLevelItemCount(), 0);
    }

    void rowClickOpensTheThread()
    {
        m_server->setDat("news", "1699913600",
                         "a<><>2023/11/15<> one <>Second\nb<><>2023<> two <>\n");
        QVERIFY(enter(board()));
        QTreeWidgetItem *row = rows()->findItems("Second ", Qt::MatchExactly, 1).value(0);
        QVERIFY(row);
        QTest::mouseClick(rows()->viewport(), Qt::LeftButton, {},
                          rows()->visualItemRect(row).center());
        const QString url = m_server->origin() + QStringLiteral("/test/read.cgi/news/1699913600/");
        QCOMPARE(MainWindowParts::cmbUrl(m_window)->currentText(), url);
        QTRY_COMPARE_WITH_TIMEOUT(MainWindowParts::thread(m_window).ResTotal, 2, 10000);
        QCOMPARE(MainWindowParts::thread(m_window).CurrentUrl, url);
        QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), QStringLiteral("sazanami - [Second]"),
                                  5000);
    }

private:
    // Opens the list for a thread address from the menu; waits until it is listed.
    bool openList(const QString &threadUrl);
    // Types text into the list's address box and presses Enter, as the user does.
    bool enter(const QString &text, bool listing = true);
    QString board() const { return m_server->origin() + QStringLiteral("/news/"); }
    QStringList column(int index) const;
    QString status() const { return m_list->findChild<QLabel *>("stbStatus")->text(); }
    QTreeWidget *rows() const { return m_list->findChild<QTreeWidget *>("lvwThread"); }

    std::unique_ptr<BoardServer> m_server;
    std::unique_ptr<TestProgram> m_env;
    std::unique_ptr<frmMain> m_window;
    frmThread *m_list = nullptr;
};

bool TestThreadListRoad::openList(const QString &threadUrl)
{
    MainWindowParts::cmbUrl(m_window)->setEditText(threadUrl);
    QAction *menu = MainWindowParts::action(m_window, QStringLiteral("mnuThread"));
    if (!m_list) {
        menu->trigger();
        m_list = m_window->findChild<frmThread *>();
        menu = nullptr;
    }
    QSignalSpy ended(&m_list->fetch(), &SubjectFetch::listEnded);
    if (menu)
        menu->trigger();
    return ended.wait(10000);
}

bool TestThreadListRoad::enter(const QString &text, bool listing)
{
    QSignalSpy ended(&m_list->fetch(), &SubjectFetch::listEnded);
    // Into the address box first, as the list has the focus after the menu's listing.
    QTest::mouseClick(m_list->findChild<QComboBox *>("cmbUrl")->lineEdit(), Qt::LeftButton);
    QWidget *focus = m_list->focusWidget();
    QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(focus, text);
    QTest::keyClick(focus, Qt::Key_Return);
    return !listing || (ended.wait(8000) && m_list->findChild<QComboBox *>("cmbUrl")->isEnabled());
}

QStringList TestThreadListRoad::column(int index) const
{
    QStringList texts;
    for (int i = 0; i < rows()->topLevelItemCount(); ++i)
        texts << rows()->topLevelItem(i)->text(index);
    return texts;
}

QTEST_MAIN(TestThreadListRoad)
#include "tst_threadlistroad.moc"
