#include "boardserver.h"
#include "mainwindowparts.h"
#include "platform/codec.h"
#include "platform/settingsstore.h"
#include "platform/textfile.h"
#include "platform/threadview.h"
#include "retrieval/threadloader.h"
#include "subtitle/frmtext.h"
#include "subtitle/subtitlequeue.h"
#include "subtitle/subtitlewindowcontrol.h"
#include "subtitle/textlayout.h"
#include "support/testhome.h"

#include <QComboBox>
#include <QListWidget>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace MainWindowParts;

namespace {

const QString kBoard = QStringLiteral("live");
const QString kKey = QStringLiteral("1234567890");

QByteArray datLine(const QString &name, const QString &mail, const QString &id,
                   const QString &message, const QString &title = QString())
{
    return Codec::toSjis(
        name + QStringLiteral("<>") + mail + QStringLiteral("<>2026/12/06(日) 21:00:00.00 ID:") +
        id + QStringLiteral("<> ") + message + QStringLiteral(" <>") + title + QLatin1Char('\n'));
}

QVariant evaluate(ThreadView *view, const QString &script)
{
    QVariant result;
    bool done = false;
    view->evaluate(script, [&](const QVariant &v) {
        result = v;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 10000))
        return QStringLiteral("<timeout>");
    return result;
}

// What one subtitle draw put on the window.
struct Draw
{
    QString text;
    qint32 colour = 0;
    QPoint pos;
    QSize textSize;
    int pointSize = 0;
    int textPixels = 0; // pixels of the text colour in the picture
    int textTop = -1;   // rows where they are
    int textBottom = -1;
};

} // namespace

// The whole road of a post through the real main window: fetched from the local board,
// rendered through the default skin, queued, paced and drawn on the subtitle window.
class TestLiveRoad : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void threadIsRenderedAndNewPostsQueued();
    void autoScrollFollowsNewPosts();
    void newPostsGoOnAirWithTheirCommands();

private:
    void load();
    QString threadUrl() const
    {
        return m_server->origin() + QStringLiteral("/test/read.cgi/") + kBoard + QLatin1Char('/') +
               kKey + QLatin1Char('/');
    }

    std::unique_ptr<TestProgram> m_env;
    TestHome *m_home = nullptr;
    Program *m_program = nullptr;
    std::unique_ptr<BoardServer> m_server;
    std::unique_ptr<frmMain> m_window;
};

void TestLiveRoad::init()
{
    m_env = std::make_unique<TestProgram>();
    m_home = &m_env->home;
    m_program = &m_env->program;
    QVERIFY(
        WriteTextFile(m_home->file(QStringLiteral("ngword.txt")), QStringLiteral("荒らし\r\n")));
    m_server = std::make_unique<BoardServer>();
    QVERIFY(m_server->listen());
    m_window = std::make_unique<frmMain>(*m_program);
    QVERIFY(m_window->Form_Load(QString()));
}

void TestLiveRoad::cleanup()
{
    if (m_window)
        m_window->close();
    m_window.reset();
    m_server.reset();
    m_env.reset();
}

void TestLiveRoad::load()
{
    m_window->mnuReload_Click();
    QVERIFY(!MainWindowParts::thread(m_window).Ready);
    QTRY_VERIFY_WITH_TIMEOUT(MainWindowParts::thread(m_window).Ready, 15000);
    QCOMPARE(panelText(m_window, QStringLiteral("STATUS")), QStringLiteral("受信終了"));
}

void TestLiveRoad::threadIsRenderedAndNewPostsQueued()
{
    m_server->setDat(
        kBoard, kKey,
        datLine(QStringLiteral("名無しさん"), QStringLiteral("sage"), QStringLiteral("AAAA1111"),
                QStringLiteral("最初のレス"), QStringLiteral("統合テストスレ")) +
            datLine(QStringLiteral("名無しさん"), QString(), QStringLiteral("BBBB2222"),
                    QStringLiteral("&gt;&gt;1 二つ目 http://example.invalid/a.jpg")) +
            datLine(QStringLiteral("荒らし"), QStringLiteral("sage"), QStringLiteral("CCCC3333"),
                    QStringLiteral("消えるレス")));
    cmbUrl(m_window)->setEditText(threadUrl());
    load();
    QCOMPARE(m_window->windowTitle(), QStringLiteral("sazanami - [統合テストスレ]"));
    QCOMPARE(evaluate(webMain(m_window), QStringLiteral("document.querySelectorAll('.res').length"))
                 .toInt(),
             3);
    QCOMPARE(evaluate(webMain(m_window), QStringLiteral("document.querySelectorAll('.msg')[0]"
                                                        ".textContent"))
                 .toString(),
             QStringLiteral(" 最初のレス "));
    // The default skin shows the mail link, the ID link and the address link.
    QCOMPARE(evaluate(webMain(m_window),
                      QStringLiteral("document.querySelector('.name a').getAttribute('href')"))
                 .toString(),
             QStringLiteral("mailto:sage"));
    QCOMPARE(evaluate(webMain(m_window), QStringLiteral("document.querySelectorAll('.res')[1]"
                                                        ".querySelector('.msg a').href"))
                 .toString(),
             QStringLiteral("http://example.invalid/a.jpg"));
    QCOMPARE(evaluate(webMain(m_window), QStringLiteral("document.querySelectorAll('.msg')[2]"
                                                        ".textContent"))
                 .toString(),
             QStringLiteral("NG"));
    // A first load shows the thread but puts nothing on air.
    QCOMPARE(queue(m_window).count(), 0);
    QCOMPARE(MainWindowParts::thread(m_window).ResTotal, 3);

    m_server->appendDat(kBoard, kKey,
                        datLine(QStringLiteral("実況民"), QStringLiteral("shita red"),
                                QStringLiteral("DDDD4444"), QStringLiteral("新着その1")) +
                            datLine(QStringLiteral("荒らし"), QStringLiteral("sage"),
                                    QStringLiteral("EEEE5555"), QStringLiteral("新着NG")) +
                            datLine(QStringLiteral("<b>名無し</b>"), QString(),
                                    QStringLiteral("ab/cd"), QStringLiteral("新着その2")));
    m_server->clearRequests();
    load();
    // Only the new bytes were asked for.
    QCOMPARE(m_server->requests().size(), 1);
    QVERIFY(m_server->requests().first().head.contains("Range: bytes="));
    QCOMPARE(evaluate(webMain(m_window), QStringLiteral("document.querySelectorAll('.res').length"))
                 .toInt(),
             6);
    QCOMPARE(evaluate(webMain(m_window), QStringLiteral("document.querySelectorAll('.msg')[4]"
                                                        ".textContent"))
                 .toString(),
             QStringLiteral("NG"));
    QCOMPARE(queue(m_window).entries(),
             QStringList({QStringLiteral("shita red<> 新着その1 <>ID:DDDD4444<>実況民<>4"),
                          QStringLiteral(" <> 新着その2 <>ID:ab:cd<>名無し<>6")}));
    QTRY_COMPARE_WITH_TIMEOUT(list(m_window, "lstRes")->count(), 2, 5000);
    QCOMPARE(list(m_window, "lstRes")->item(0)->text(), queue(m_window).entries().at(0));
    QCOMPARE(list(m_window, "lstRes")->item(1)->text(), queue(m_window).entries().at(1));
    QCOMPARE(panelText(m_window, QStringLiteral("MAKUTIMER")).toInt() >= -1, true);
}

void TestLiveRoad::autoScrollFollowsNewPosts()
{
    QByteArray body;
    for (int i = 1; i <= 40; ++i)
        body += datLine(QStringLiteral("名無し"), QStringLiteral("sage"),
                        QStringLiteral("ID%1").arg(i), QStringLiteral("レス%1").arg(i),
                        i == 1 ? QStringLiteral("スクロール") : QString());
    m_server->setDat(kBoard, kKey, body);
    cmbUrl(m_window)->setEditText(threadUrl());
    load();
    const QString scrollTop =
        QStringLiteral("(document.scrollingElement||document.body).scrollTop");
    QCOMPARE(evaluate(webMain(m_window), scrollTop).toInt(), 0);

    action(m_window, QStringLiteral("mnuAutoScroll(1)"))->trigger();
    QVERIFY(action(m_window, QStringLiteral("mnuAutoScroll(1)"))->isChecked());
    QVERIFY(!action(m_window, QStringLiteral("mnuAutoScroll(0)"))->isChecked());
    m_server->appendDat(kBoard, kKey,
                        datLine(QStringLiteral("名無し"), QString(), QStringLiteral("NEW"),
                                QStringLiteral("最後のレス")));
    load();
    const int top = evaluate(webMain(m_window), scrollTop).toInt();
    const int bottom = evaluate(webMain(m_window),
                                QStringLiteral("(function(){var e=document.scrollingElement||"
                                               "document.body;return e.scrollHeight-e.clientHeight;"
                                               "})()"))
                           .toInt();
    QVERIFY(bottom > 0);
    QCOMPARE(top, bottom);
}

void TestLiveRoad::newPostsGoOnAirWithTheirCommands()
{
    m_program->opt.MakuMode = 1;
    m_program->opt.WakuSize = QStringLiteral("640x360");
    // Time runs fast: the program counts ticks, the test shortens them.
    timer(m_window, "tmrMaku")->setInterval(5);
    timer(m_window, "tmrReload")->setInterval(40);

    m_server->setDat(kBoard, kKey,
                     datLine(QStringLiteral("名無し"), QStringLiteral("sage"),
                             QStringLiteral("START"), QStringLiteral("開始"),
                             QStringLiteral("字幕テスト")));
    cmbUrl(m_window)->setEditText(threadUrl());
    load();

    QList<Draw> draws;
    action(m_window, QStringLiteral("mnuMakuView"))->trigger();
    QVERIFY(maku(m_window).isLoaded());
    connect(&maku(m_window), &SubtitleWindowControl::drawn, this, [&] {
        frmText *w = maku(m_window).window();
        const SubtitleLayout &l = w->lastLayout();
        if (l.text.trimmed().isEmpty())
            return;
        Draw d{l.text, l.colourCode, l.pos, l.textSize, l.pointSize};
        const QImage &picture = w->picture();
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                if (QColor(picture.pixel(x, y)) == l.textColour) {
                    ++d.textPixels;
                    if (d.textTop < 0)
                        d.textTop = y;
                    d.textBottom = y;
                }
            }
        }
        draws << d;
    });

    action(m_window, QStringLiteral("mnuAutoReload(2)"))->trigger();
    QCOMPARE(panelText(m_window, QStringLiteral("TIMER")), QStringLiteral("7"));
    QVERIFY(action(m_window, QStringLiteral("mnuAutoReload(2)"))->isChecked());

    m_server->appendDat(kBoard, kKey,
                        datLine(QStringLiteral("実況民"), QStringLiteral("sage shita red big"),
                                QStringLiteral("RED1"), QStringLiteral("下に赤")) +
                            datLine(QStringLiteral("実況民"), QStringLiteral("naka blue"),
                                    QStringLiteral("BLUE2"), QStringLiteral("真ん中に青")));
    QTRY_VERIFY_WITH_TIMEOUT(draws.size() >= 2, 20000);
    m_server->appendDat(kBoard, kKey,
                        datLine(QStringLiteral("実況民"), QStringLiteral("yellow"),
                                QStringLiteral("TOP3"), QStringLiteral("上に黄色")));
    QTRY_VERIFY_WITH_TIMEOUT(draws.size() >= 3, 20000);
    action(m_window, QStringLiteral("mnuAutoReload(0)"))->trigger();
    QCOMPARE(panelText(m_window, QStringLiteral("TIMER")), QStringLiteral("-1"));

    const int frameHeight = 360;
    QCOMPARE(draws[0].text, QStringLiteral("下に赤 "));
    QCOMPARE(draws[0].colour, 255);
    QCOMPARE(draws[0].pointSize, 30);
    QCOMPARE(draws[0].pos.y() + draws[0].textSize.height(), frameHeight - 2);
    QCOMPARE(draws[0].pos.x(), qRound(640 / 2.0 - draws[0].textSize.width() / 2.0));
    QVERIFY(draws[0].textPixels > 50);
    QVERIFY(draws[0].textTop > frameHeight / 2);

    QCOMPARE(draws[1].text, QStringLiteral("真ん中に青 "));
    QCOMPARE(draws[1].colour, 16711680);
    QCOMPARE(draws[1].pos.y(), qRound((frameHeight - 24) / 2.0));
    QVERIFY(draws[1].textPixels > 50);
    QVERIFY(draws[1].textTop > frameHeight / 4 && draws[1].textBottom < frameHeight * 3 / 4);

    QCOMPARE(draws[2].text, QStringLiteral("上に黄色 "));
    QCOMPARE(draws[2].colour, 65535);
    QCOMPARE(draws[2].pos.y(), 5);
    QVERIFY(draws[2].textPixels > 50);
    QVERIFY(draws[2].textBottom < frameHeight / 4);
}

QTEST_MAIN(TestLiveRoad)
#include "tst_liveroad.moc"
