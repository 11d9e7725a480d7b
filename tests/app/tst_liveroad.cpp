#include "boardserver.h"
#include "mainwindowparts.h"
#include "platform/codec.h"
#include "platform/textfile.h"
#include "platform/threadview.h"
#include "subtitle/frmtext.h"
#include "subtitle/subtitlequeue.h"
#include "subtitle/subtitlewindowcontrol.h"
#include "support/testhome.h"

#include <QComboBox>
#include <QElapsedTimer>
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
    return Codec::toSjis(name + "<>" + mail + "<>2026/12/06(日) 21:00:00.00 ID:" + id + "<> " +
                         message + " <>" + title + "\n");
}

// What one subtitle draw put on the window.
struct Draw
{
    QString text;
    qint32 colour = 0;
    int pointSize = 0;
    QRect letters; // where the pixels of the text colour are
};

} // namespace

// The whole road of a post through the real main window: fetched from the local board,
// rendered through the default skin, queued, paced and drawn on the subtitle window.
class TestLiveRoad : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_env = std::make_unique<TestProgram>();
        QVERIFY(WriteTextFile(m_env->home.file(QStringLiteral("ngword.txt")),
                              QStringLiteral("荒らし\r\n")));
        m_server = std::make_unique<BoardServer>();
        QVERIFY(m_server->listen());
        m_window = std::make_unique<frmMain>(m_env->program);
        QVERIFY(m_window->Form_Load(threadAddress(m_server->origin(), kBoard, kKey)));
    }

    void cleanup()
    {
        if (m_window)
            m_window->close();
        m_window.reset();
        m_server.reset();
        m_env.reset();
    }

    void threadIsRenderedAndNewPostsQueued() // a post lost, doubled or queued on a first load
    {
        m_server->setDat(
            kBoard, kKey,
            datLine("名無しさん", "sage", "AAAA1111", "最初のレス", "統合テストスレ") +
                datLine("名無しさん", "", "BBBB2222", "二つ目 http://example.invalid/a.jpg") +
                datLine("荒らし", "sage", "CCCC3333", "消えるレス"));
        load();
        QCOMPARE(m_window->windowTitle(), QStringLiteral("sazanami - [統合テストスレ]"));
        const QString texts = QStringLiteral("Array.from(document.querySelectorAll('.msg'),"
                                             "e=>e.textContent).join('|')");
        QCOMPARE(evaluate(texts).toString(),
                 QStringLiteral(" 最初のレス | 二つ目 http://example.invalid/a.jpg |NG"));
        // The default skin shows the mail link and the address link.
        QCOMPARE(evaluate("document.querySelector('.name a').getAttribute('href')").toString(),
                 QStringLiteral("mailto:sage"));
        QCOMPARE(
            evaluate("document.querySelectorAll('.msg')[1].querySelector('a').href").toString(),
            QStringLiteral("http://example.invalid/a.jpg"));
        QCOMPARE(queue(m_window).count(), 0); // a first load puts nothing on air
        m_server->appendDat(kBoard, kKey,
                            datLine("実況民", "shita red", "DDDD4444", "新着その1") +
                                datLine("荒らし", "sage", "EEEE5555", "新着NG") +
                                datLine("<b>名無し</b>", "", "ab/cd", "新着その2"));
        m_server->clearRequests();
        load();
        QCOMPARE(m_server->requests().size(), 1);
        QVERIFY(m_server->requests().first().head.contains("Range: bytes="));
        QCOMPARE(evaluate("document.querySelectorAll('.res').length").toInt(), 6);
        QCOMPARE(queue(m_window).entries(),
                 QStringList({QStringLiteral("shita red<> 新着その1 <>ID:DDDD4444<>実況民<>4"),
                              QStringLiteral(" <> 新着その2 <>ID:ab:cd<>名無し<>6")}));
        QTRY_COMPARE_WITH_TIMEOUT(list(m_window, "lstRes")->count(), 2, 5000);
        QCOMPARE(list(m_window, "lstRes")->item(1)->text(), queue(m_window).entries().at(1));
    }

    void autoScrollFollowsNewPosts() // the view does not follow the new posts
    {
        QByteArray body;
        for (int i = 1; i <= 40; ++i)
            body += datLine("名無し", "sage", QString::number(i), QStringLiteral("レス%1").arg(i),
                            i == 1 ? QStringLiteral("スクロール") : QString());
        m_server->setDat(kBoard, kKey, body);
        load();
        const QString top = QStringLiteral("(document.scrollingElement||document.body).scrollTop");
        QCOMPARE(evaluate(top).toInt(), 0);
        action(m_window, QStringLiteral("mnuAutoScroll(1)"))->trigger();
        m_server->appendDat(kBoard, kKey, datLine("名無し", "", "NEW", "最後のレス"));
        load();
        const int bottom = evaluate("(function(){var e=document.scrollingElement||document.body;"
                                    "return e.scrollHeight-e.clientHeight;})()")
                               .toInt();
        QVERIFY(bottom > 0);
        QCOMPARE(evaluate(top).toInt(), bottom);
    }

    void newPostsGoOnAirWithTheirCommands() // commands not obeyed on air
    {
        m_env->program.opt.WakuSize = QStringLiteral("640x360");
        // Time runs fast: the program counts ticks, the test shortens them.
        timer(m_window, "tmrMaku")->setInterval(5);
        timer(m_window, "tmrReload")->setInterval(40);
        m_server->setDat(kBoard, kKey, datLine("名無し", "sage", "START", "開始", "字幕テスト"));
        load();
        QList<Draw> draws;
        action(m_window, QStringLiteral("mnuMakuView"))->trigger();
        connect(&maku(m_window), &SubtitleWindowControl::drawn, this, [&] {
            frmText *w = maku(m_window).window();
            const SubtitleLayout &l = w->lastLayout();
            if (l.text.trimmed().isEmpty())
                return;
            Draw d{l.text, l.colourCode, l.pointSize, QRect()};
            const QImage &picture = w->picture();
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x)
                    if (QColor(picture.pixel(x, y)) == l.textColour)
                        d.letters |= QRect(x, y, 1, 1);
            draws << d;
        });
        action(m_window, QStringLiteral("mnuAutoReload(2)"))->trigger();
        m_server->appendDat(kBoard, kKey,
                            datLine("実況民", "sage shita red big", "RED1", "下に赤") +
                                datLine("実況民", "naka blue", "BLUE2", "真ん中に青") +
                                datLine("実況民", "yellow", "TOP3", "上に黄色"));
        QTRY_VERIFY_WITH_TIMEOUT(draws.size() >= 3, 20000);
        action(m_window, QStringLiteral("mnuAutoReload(0)"))->trigger();
        QCOMPARE(draws[0].text, QStringLiteral("下に赤 "));
        QCOMPARE(draws[0].colour, 255);
        QCOMPARE(draws[0].pointSize, 30);
        QVERIFY(draws[0].letters.top() > 180 && draws[0].letters.bottom() <= 360 - 3);
        QCOMPARE(draws[1].text, QStringLiteral("真ん中に青 "));
        QCOMPARE(draws[1].colour, 16711680);
        QVERIFY(draws[1].letters.top() > 90 && draws[1].letters.bottom() < 270);
        QCOMPARE(draws[2].text, QStringLiteral("上に黄色 "));
        QCOMPARE(draws[2].colour, 65535);
        QVERIFY(draws[2].letters.top() >= 5 && draws[2].letters.bottom() < 90);
        for (const Draw &d : std::as_const(draws))
            QVERIFY(d.letters.width() > 40);
    }

    void deletedPostsDoNotStopTheBroadcast() // a deleted post stops the broadcast
    {
        auto line = [](int n) {
            return datLine(QStringLiteral("名無し"), QStringLiteral("sage"),
                           QStringLiteral("ID%1").arg(n),
                           QStringLiteral("レス%1").arg(n) + QString(n, QLatin1Char(' ')),
                           n == 1 ? QStringLiteral("削除テスト") : QString());
        };
        m_server->setDat(kBoard, kKey, line(1) + line(2) + line(3));
        // The address is typed and entered the way a keyboard does.
        cmbUrl(m_window)->clearEditText();
        cmbUrl(m_window)->setFocus();
        QTest::keyClicks(m_window->focusWidget(), threadAddress(m_server->origin(), kBoard, kKey));
        QTest::keyClick(m_window->focusWidget(), Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(panelText(m_window, QStringLiteral("STATUS")),
                                  QStringLiteral("受信終了"), 15000);
        QCOMPARE(MainWindowParts::thread(m_window).ResTotal, 3);

        const QString note = QStringLiteral(
            "受信終了（レスが削除されたため、スレッドを最初から読み込み直しました）");
        auto messages = [this] {
            QStringList shown;
            for (const QString &entry : queue(m_window).entries())
                shown << entry.split(QStringLiteral("<>")).at(1).trimmed();
            return shown;
        };
        auto posts = [this] {
            return evaluate(QStringLiteral("Array.from(document.querySelectorAll('.msg'))"
                                           ".map(e=>e.textContent.trim()).join('|')"))
                .toString();
        };
        timer(m_window, "tmrReload")->setInterval(40);
        action(m_window, QStringLiteral("mnuAutoReload(2)"))->trigger();
        // Post 2 deleted in place while two posts arrive.
        QVERIFY(m_server->rewriteDatLine(
            kBoard, kKey, 1,
            Codec::toSjis(QStringLiteral("あぼーん<>あぼーん<>あぼーん<>あぼーん<>"))));
        m_server->appendDat(kBoard, kKey, line(4) + line(5));
        QTRY_COMPARE_WITH_TIMEOUT(panelText(m_window, QStringLiteral("STATUS")), note, 15000);
        QCOMPARE(posts(), QStringLiteral("レス1|あぼーん|レス3|レス4|レス5"));
        // Post 3 removed without a trace while two more arrive.
        m_window->SetStatus(QString());
        QVERIFY(m_server->removeDatLine(kBoard, kKey, 2));
        m_server->appendDat(kBoard, kKey, line(6) + line(7));
        QTRY_COMPARE_WITH_TIMEOUT(panelText(m_window, QStringLiteral("STATUS")), note, 15000);
        m_server->appendDat(kBoard, kKey, line(8));
        QTRY_COMPARE_WITH_TIMEOUT(messages().size(), 5, 15000);
        action(m_window, QStringLiteral("mnuAutoReload(0)"))->trigger();
        QCOMPARE(posts(), QStringLiteral("レス1|あぼーん|レス4|レス5|レス6|レス7|レス8"));
        // Every new post on air exactly once, in order.
        QCOMPARE(messages(), (QStringList{QStringLiteral("レス4"), QStringLiteral("レス5"),
                                          QStringLiteral("レス6"), QStringLiteral("レス7"),
                                          QStringLiteral("レス8")}));
    }

    void endlessAnswerNeitherFreezesNorFloods() // one endless answer freezes the broadcast
    {
        m_server->setDat(kBoard, kKey, datLine("名無し", "sage", "START", "開始", "無限テスト"));
        load();
        BoardServer::Behaviour endless;
        endless.endlessLines = true;
        endless.announcedLength = 1000000000;
        m_server->setBehaviour(endless);
        // The subtitle timer's longest silence while the answer pours in.
        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        connect(timer(m_window, "tmrMaku"), &QTimer::timeout, this, [&] {
            if (sinceTick.isValid())
                longestGap = qMax(longestGap, sinceTick.elapsed());
            sinceTick.start();
        });
        m_window->mnuReload_Click();
        QTRY_VERIFY_WITH_TIMEOUT(MainWindowParts::thread(m_window).Ready, 60000);
        QCOMPARE(MainWindowParts::thread(m_window).ResTotal, 20001);
        QCOMPARE(queue(m_window).count(), 1000);
        QVERIFY(queue(m_window).entries().constLast().endsWith(QStringLiteral("<>20001")));
        QVERIFY2(longestGap < 2000, qPrintable(QString::number(longestGap)));
        QVERIFY(sinceTick.isValid());
    }

private:
    void load();
    QVariant evaluate(const QString &script);

    std::unique_ptr<TestProgram> m_env;
    std::unique_ptr<BoardServer> m_server;
    std::unique_ptr<frmMain> m_window;
};

void TestLiveRoad::load()
{
    m_window->mnuReload_Click();
    QVERIFY(!MainWindowParts::thread(m_window).Ready);
    QTRY_VERIFY_WITH_TIMEOUT(MainWindowParts::thread(m_window).Ready, 15000);
    QCOMPARE(panelText(m_window, QStringLiteral("STATUS")), QStringLiteral("受信終了"));
}

QVariant TestLiveRoad::evaluate(const QString &script)
{
    QVariant result;
    bool done = false;
    webMain(m_window)->evaluate(script, [&](const QVariant &v) {
        result = v;
        done = true;
    });
    return QTest::qWaitFor([&] { return done; }, 10000) ? result : QStringLiteral("<timeout>");
}

QTEST_MAIN(TestLiveRoad)
#include "tst_liveroad.moc"
