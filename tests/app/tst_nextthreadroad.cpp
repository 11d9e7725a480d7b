#include "localboardwindow.h"
#include "subtitle/makuentry.h"
#include "threadlist/nextthreadbar.h"

#include <QPushButton>

using namespace MainWindowParts;

namespace {

const QString kNext = QStringLiteral("1234580000");

// Posts from..to of a thread, "TEXTn" each; post 1 carries the title.
QByteArray posts(int from, int to, const QString &title = {},
                 const QString &text = QStringLiteral("レス"))
{
    QByteArray dat;
    for (int n = from; n <= to; ++n)
        dat +=
            datLine(QStringLiteral("ID%1").arg(n), text + QString::number(n),
                    QStringLiteral("sage"), QStringLiteral("名無し"), n == 1 ? title : QString());
    return dat;
}

QStringList rentalPosts(int from, int to, const QString &title = {},
                        const QString &text = QStringLiteral("レス"))
{
    QStringList lines;
    for (int n = from; n <= to; ++n)
        lines << QStringLiteral("%1<>名無し<>sage<>2026/12/06 21:00<>%2<>%3<>ID%1")
                     .arg(QString::number(n), text + QString::number(n),
                          n == 1 ? title : QString());
    return lines;
}

} // namespace

// The real main window following a thread to its end and on into the next thread: what goes on
// air, what the address bar and its history say, and that no decoy is taken.
class TestNextThreadRoad : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_board = std::make_unique<LocalBoardWindow>();
        // Decoys: an older thread under the next one's title, a newer one of another series.
        m_board->server.setDat(board(), QStringLiteral("1234500000"),
                               posts(1, 2, "実況スレ Part2", "古い"));
        m_board->server.setDat(board(), QStringLiteral("1234599999"),
                               posts(1, 2, "雑談スレ Part2", "雑談"));
        m_board->server.setDat(board(), kNext, posts(1, 3, "実況スレ Part2", "次"));
    }

    void cleanup() { m_board.reset(); }

    void movesOn_data()
    {
        QTest::addColumn<bool>("linked");
        QTest::newRow("linked in post 995") << true;
        QTest::newRow("through the list alone") << false;
    }

    void movesOn() // posts lost or aired twice across the move; a decoy taken
    {
        QFETCH(bool, linked);
        QVERIFY(m_board->open(posts(1, 990, "実況スレ Part1")));
        const QString link = "次スレ " + url(kNext);
        // The board's list shows the next thread only 10 s after the end.
        m_board->server.listThreadAfter(board() + '/' + kNext, -1);
        action(window(), QStringLiteral("mnuNextThread"))->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(panelText(window(), "STATUS"),
                                  QStringLiteral("次スレが見つかりませんでした"), 10000);
        autoReload();
        m_board->append(posts(991, 994) + (linked ? datLine("ID995", link) : posts(995, 995)) +
                        posts(996, 1000));
        m_board->server.stopDat(board(), LocalBoardWindow::key);
        m_board->server.listThreadAfter(board() + '/' + kNext, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(followed().CurrentUrl, url(kNext), 40000);
        QTRY_COMPARE_WITH_TIMEOUT(followed().ResTotal, 3, 20000);
        m_board->server.appendDat(board(), kNext, posts(4, 4, {}, "次"));
        QTRY_COMPARE_WITH_TIMEOUT(followed().ResTotal, 4, 20000);

        QCOMPARE(window()->windowTitle(), QStringLiteral("sazanami - [実況スレ Part2]"));
        QCOMPARE(cmbUrl(window())->currentText(), url(kNext));
        QCOMPARE(history(), QStringList({m_board->address(), url(kNext)}));
        QStringList expected;
        for (int n = 991; n <= 1000; ++n)
            expected << (n == 995 && linked ? link : QStringLiteral("レス%1").arg(n));
        expected << QStringLiteral("sazanamiからのお知らせ\r\nこのスレッドは1000に到達しました")
                 << QStringLiteral("このスレッドは１０００を超えました。 \r\n新しいスレッドを立て"
                                   "てください。")
                 << QStringLiteral("sazanamiからのお知らせ\r\n次スレに移動しました：実況スレ Part2")
                 << QStringLiteral("次2") << QStringLiteral("次3") << QStringLiteral("次4");
        QCOMPARE(aired(), expected);
    }

    // A stopped rental thread followed on and on; the subtitle window closed by the move.
    void rentalThreadStopped()
    {
        RentalTlsBoard tls;
        QVERIFY(tls.start());
        QVERIFY(m_board->open(QByteArray(), false));
        BoardServer &rental = tls.server;
        rental.setRentalThread("game", "1", "1234567890", rentalPosts(1, 995, "実況スレ Part1"));
        rental.setRentalThread("game", "1", "1234599999",
                               rentalPosts(1, 1, "雑談スレ Part2", "雑談"));
        rental.setRentalThread("game", "1", kNext, rentalPosts(1, 3, "実況スレ Part2", "次"));
        const QString rentalUrl = QStringLiteral("https://jbbs.shitaraba.net/bbs/read.cgi/game/1/");
        window()->setAddressText(rentalUrl + "1234567890/");
        QVERIFY(m_board->reload());
        // The subtitle window open across the move: what it draws, in order.
        part<QTimer>(window(), "tmrMaku")->setInterval(5);
        QStringList drawn;
        connect(&maku(window()), &SubtitleWindowControl::drawn, this, [&drawn](const MakuEntry &e) {
            if (e.kind == MakuEntry::Kind::Post || e.kind == MakuEntry::Kind::Notice)
                drawn << e.text().trimmed();
        });
        action(window(), QStringLiteral("mnuMakuView"))->trigger();
        autoReload();
        for (const QString &line : rentalPosts(996, 999))
            rental.appendRentalLine("game", "1", "1234567890", line);
        rental.stopRentalThread("game", "1", "1234567890");
        QTRY_COMPARE_WITH_TIMEOUT(followed().CurrentUrl, rentalUrl + kNext + '/', 20000);
        QTRY_COMPARE_WITH_TIMEOUT(followed().ResTotal, 3, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(drawn.size(), 7, 20000);
        QCOMPARE(drawn,
                 QStringList({"レス996", "レス997", "レス998", "レス999",
                              "sazanamiからのお知らせ\r\n次スレに移動しました：実況スレ Part2",
                              "次2", "次3"}));
        QVERIFY(maku(window()).isLoaded());
    }

    void askedOrOnlyNamed() // a modal question stopping the broadcast; 無視 or "off" moving
    {
        QVERIFY(m_board->open(posts(1, 994, "実況スレ Part1") +
                              datLine("ID995", "次スレ " + url(kNext)) + posts(996, 999)));
        m_board->env.program.opt.NextThread = 1;
        autoReload();
        m_board->append(posts(1000, 1000));
        auto *bar = part<NextThreadBar>(window());
        QTRY_VERIFY_WITH_TIMEOUT(bar->isVisible(), 20000);
        const QString caption = "次スレ候補：実況スレ Part2（" + url(kNext) + "）";
        QCOMPARE(part<QLabel>(bar, "lblNextThread")->text(), caption);
        // Following goes on while the bar waits.
        m_board->server.stopDat(board(), LocalBoardWindow::key);
        QTRY_COMPARE_WITH_TIMEOUT(followed().ResTotal, 1001, 20000);
        QVERIFY(bar->isVisible());
        QTest::mouseClick(part<QPushButton>(bar, "cmdNextThreadIgnore"), Qt::LeftButton);
        QVERIFY(!bar->isVisible());
        reloads(3);
        QVERIFY(!bar->isVisible());
        QCOMPARE(followed().CurrentUrl, m_board->address());

        // Off: asked for, the candidate is named in the status bar, once.
        m_board->env.program.opt.NextThread = 0;
        action(window(), QStringLiteral("mnuNextThread"))->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(panelText(window(), "STATUS"), caption, 10000);
        window()->SetStatus(QString());
        reloads(3);
        QVERIFY(panelText(window(), "STATUS") != caption);
        QVERIFY(!bar->isVisible());
        QCOMPARE(followed().CurrentUrl, m_board->address());
    }

private:
    const std::unique_ptr<frmMain> &window() const { return m_board->window; }
    static QString board() { return LocalBoardWindow::board; }
    const ThreadState &followed() const { return MainWindowParts::thread(window()); }
    QString url(const QString &key) const
    {
        return threadAddress(m_board->server.origin(), board(), key);
    }
    // Reloads every 7 ticks, a tick every 40 ms.
    void autoReload()
    {
        part<QTimer>(window(), "tmrReload")->setInterval(40);
        action(window(), QStringLiteral("mnuAutoReload(2)"))->trigger();
    }
    void reloads(int count)
    {
        const qsizetype before = m_board->server.requests().size();
        QTRY_VERIFY_WITH_TIMEOUT(m_board->server.requests().size() >= before + count, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(followed().Ready, 20000);
    }
    QStringList history() const
    {
        QStringList items;
        for (int i = 0; i < cmbUrl(window())->count(); ++i)
            items << cmbUrl(window())->itemText(i);
        return items;
    }
    // The subtitles on air or waiting for it, in order.
    QStringList aired() const
    {
        QStringList messages;
        for (const MakuEntry &entry : queue(window()).entries())
            messages << entry.text().trimmed();
        return messages;
    }

    std::unique_ptr<LocalBoardWindow> m_board;
};

QTEST_MAIN(TestNextThreadRoad)
#include "tst_nextthreadroad.moc"
