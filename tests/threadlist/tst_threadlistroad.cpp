#include "app/localboardwindow.h"
#include "support/widgets.h"
#include "threadlist/frmthread.h"
#include "threadlist/subjectfetch.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTreeWidget>

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
        m_board = std::make_unique<LocalBoardWindow>();
        QVERIFY(m_board->open(QByteArray(), false));
        m_board->server.setDat("news", "1699956800", datOf(QStringLiteral("半日前のスレ"), 100));
        QVERIFY(openList(thread("1699956800") + "l50"));
        m_list->fetch().setClock([] { return qint64(1700000000); });
        QVERIFY(QTest::qWaitForWindowActive(m_list));
    }

    void cleanup()
    {
        m_board.reset();
        m_list = nullptr;
    }

    // A rental list asked for over plain HTTP or with the wrong bytes, its last line doubled, a
    // title listed undecoded.
    void rentalListOverTlsFromTheMenu()
    {
        RentalTlsBoard tls;
        QVERIFY(tls.start());
        tls.server.setRentalThread("game", "12345", "1699956800", rentalThread("雑談スレ", 3));
        tls.server.setRentalThread("game", "12345", "1699913600",
                                   rentalThread("Q&amp;A &lt;記号&gt; &#127843; スレ", 5));
        QVERIFY(openList("https://jbbs.shitaraba.net/bbs/read.cgi/game/12345/1699956800/l50"));
        QCOMPARE(tls.server.requests().last().head,
                 "GET /game/12345/subject.txt HTTP/1.0\r\nHost: jbbs.shitaraba.net\r\n"
                 "User-Agent: Monazilla/1.00 sazanami/" SAZANAMI_VERSION "\r\nConnection: Close");
        QCOMPARE(rows()->topLevelItemCount(), 2);
        QTreeWidgetItem *row = rows()->findItems("Q&A <記号> 🍣 スレ", Qt::MatchExactly, 1).value(0);
        QVERIFY(row);
        QCOMPARE(row->text(2), QStringLiteral("   5"));
        QCOMPARE(row->text(4), "https://jbbs.shitaraba.net/bbs/read.cgi/game/12345/1699913600/");
    }

    // Enter not taken, a click on a column's head not sorting, a clicked row not loaded.
    void enterListsSortsAndOpens()
    {
        m_board->server.setDat("news", "1699913600", datOf("一日前", 5));
        m_board->server.setDat("news", "1699999000", datOf("勢いのあるスレ", 1000));
        QVERIFY(enter(board()));
        QCOMPARE(rows()->topLevelItemCount(), 3);
        QHeaderView *header = rows()->header();
        const QPoint rate(header->sectionViewportPosition(3) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, rate);
        QCOMPARE(column(3), (QStringList{"86400.0", "  200.0", "    5.0"}));

        QTreeWidgetItem *row = rows()->topLevelItem(2);
        QTest::mouseClick(rows()->viewport(), Qt::LeftButton, {},
                          rows()->visualItemRect(row).center());
        const QString url = thread("1699913600");
        QCOMPARE(MainWindowParts::cmbUrl(m_board->window)->currentText(), url);
        QTRY_COMPARE_WITH_TIMEOUT(MainWindowParts::thread(m_board->window).ResTotal, 5, 10000);
        QCOMPARE(m_board->window->windowTitle(), QStringLiteral("sazanami - [一日前]"));
    }

    void endsEarly_data()
    {
        QTest::addColumn<int>("closeAfter");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("message");
        // The rows whose lines came whole, and a status that says the list is partial.
        QTest::newRow("closed in the middle")
            << 400 << 0 << "スレッド一覧の受信が中断されました（届いた分だけ表示しています）";
        QTest::newRow("over the bound")
            << -1 << 400 << "受信データが大きすぎるため受信を打ち切りました（上限400byte）";
    }

    void endsEarly() // a cut list reported as complete
    {
        QFETCH(int, closeAfter);
        QFETCH(int, limit);
        QFETCH(QString, message);
        for (int i = 0; i < 20; ++i)
            m_board->server.setDat("news", QString::number(1600000000 + i), datOf("スレ", 1));
        BoardServer::Behaviour behaviour;
        behaviour.closeAfter = closeAfter;
        m_board->server.setBehaviour(behaviour);
        if (limit)
            m_list->fetch().setResponseLimit(limit);
        QVERIFY(enter(board()));
        QCOMPARE(status(), message);
        const int count = rows()->topLevelItemCount();
        QVERIFY2(count > 0 && count < 21, qPrintable(QString::number(count)));
    }

    // A board's status line drawn as markup, reading local files; Escape not closing the list.
    void refusalShownAsWritten()
    {
        BoardServer::Behaviour refused;
        refused.statusLine = "HTTP/1.1 403 <font size=7>x</font>";
        m_board->server.setBehaviour(refused);
        QVERIFY(enter(board()));
        QCOMPARE(status(), QStringLiteral("HTTP/1.1 403 <font size=7>x</font>"));
        QPointer<frmThread> list = m_list; // Escape closes it
        QTest::keyClick(keyTarget(m_list), Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(list.isNull(), 5000);
        m_list = nullptr;
    }

private:
    // Opens the list for a thread address from the menu; waits until it is listed.
    bool openList(const QString &threadUrl)
    {
        MainWindowParts::cmbUrl(m_board->window)->setEditText(threadUrl);
        QAction *menu = MainWindowParts::action(m_board->window, QStringLiteral("mnuThread"));
        if (!m_list) {
            menu->trigger();
            m_list = m_board->window->findChild<frmThread *>();
            menu = nullptr;
        }
        QSignalSpy ended(&m_list->fetch(), &SubjectFetch::listEnded);
        if (menu)
            menu->trigger();
        return ended.wait(10000);
    }
    // Types text into the list's address box and presses Enter, as the user does.
    bool enter(const QString &text)
    {
        QSignalSpy ended(&m_list->fetch(), &SubjectFetch::listEnded);
        // Into the address box first, as the list has the focus after the menu's listing.
        QTest::mouseClick(m_list->findChild<QComboBox *>("cmbUrl")->lineEdit(), Qt::LeftButton);
        QWidget *focus = m_list->focusWidget();
        QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(focus, text);
        QTest::keyClick(focus, Qt::Key_Return);
        return ended.wait(8000) && m_list->findChild<QComboBox *>("cmbUrl")->isEnabled();
    }
    QString board() const { return m_board->server.origin() + QStringLiteral("/news/"); }
    QString thread(const char *key) const
    {
        return threadAddress(m_board->server.origin(), "news", QLatin1String(key));
    }
    QStringList column(int index) const
    {
        QStringList texts;
        for (int i = 0; i < rows()->topLevelItemCount(); ++i)
            texts << rows()->topLevelItem(i)->text(index);
        return texts;
    }
    QString status() const { return shownText(m_list->findChild<QLabel *>("stbStatus")); }
    QTreeWidget *rows() const { return m_list->findChild<QTreeWidget *>("lvwThread"); }

    std::unique_ptr<LocalBoardWindow> m_board;
    frmThread *m_list = nullptr;
};

QTEST_MAIN(TestThreadListRoad)
#include "tst_threadlistroad.moc"
