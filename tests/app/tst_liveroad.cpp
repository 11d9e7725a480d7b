#include "game/catfeegame.h"
#include "game/frmcatfee.h"
#include "game/frmquestion.h"
#include "game/frmscore.h"
#include "localboardwindow.h"
#include "platform/textfile.h"
#include "rendering/frmpicture.h"
#include "rendering/links.h"
#include "settings/frmsetting.h"
#include "speech/speechreader.h"
#include "speechstandins.h"
#include "subtitle/frmtext.h"
#include "support/pulsesink.h"
#include "support/widgets.h"

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QWebEngineView>

using namespace MainWindowParts;

namespace {

QString labelText(QObject *owner, const char *name)
{
    return part<QLabel>(owner, name)->text();
}

const QString kRental =
    QStringLiteral("https://jbbs.shitaraba.net/bbs/read.cgi/demo/1/1700000000/");
const QString kCentral = QStringLiteral("https://hayabusa9.5ch.net/test/read.cgi/livejupiter/1/");

// Stands in for the desktop: what OpenExternal hands over arrives here.
class DesktopSeam : public QObject
{
    Q_OBJECT
public:
    QStringList opened;
    Q_INVOKABLE void open(const QUrl &url) { opened << url.toString(); }
};

} // namespace

// The whole road of a post through the real main window: fetched from the local board,
// rendered through the default skin, queued, paced, drawn on the subtitle window and judged by
// the guessing game; its links clicked.
class TestLiveRoad : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { m_audio = m_pulse.start(); }

    void init()
    {
        m_board = std::make_unique<LocalBoardWindow>();
        QVERIFY(WriteTextFile(m_board->env.home.file(QStringLiteral("ngword.txt")),
                              QStringLiteral("荒らし\r\n")));
        QVERIFY(m_board->open(QByteArray(), false));
        for (const char *scheme : {"http", "https", "mailto"})
            QDesktopServices::setUrlHandler(QLatin1String(scheme), &m_desktop, "open");
        m_desktop.opened.clear();
    }

    void cleanup() { m_board.reset(); }

    // A post lost, doubled or queued on a first load; a post's commands not obeyed on air.
    void threadIsRenderedAndNewPostsQueued()
    {
        m_board->setThread(
            datLine("AAAA1111", "最初のレス", "sage", "名無しさん", "統合テストスレ") +
            datLine("BBBB2222", "二つ目 http://example.invalid/a.jpg") +
            datLine("CCCC3333", "消えるレス", "sage", "荒らし"));
        load();
        QCOMPARE(m_board
                     ->evaluate("Array.from(document.querySelectorAll('.msg'),"
                                "e=>e.textContent).join('|')")
                     .toString(),
                 QStringLiteral(" 最初のレス | 二つ目 http://example.invalid/a.jpg |NG"));
        QCOMPARE(queue(window()).count(), 0); // a first load puts nothing on air

        m_board->append(datLine("DDDD4444", "新着その1", "shita red", "実況民") +
                        datLine("EEEE5555", "新着NG", "sage", "荒らし") +
                        datLine("ab/cd", "新着その2", "", "<b>名無し</b>"));
        m_board->server.clearRequests();
        load();
        QCOMPARE(m_board->server.requests().size(), 1);
        QVERIFY(m_board->server.requests().first().head.contains("Range: bytes="));
        QCOMPARE(m_board->evaluate("document.querySelectorAll('.res').length").toInt(), 6);
        // The queue list shows each entry readably, its text form as the tooltip.
        const auto *list = part<QListWidget>(window(), "lstRes");
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 2, 5000);
        QCOMPARE(list->item(0)->text(), QStringLiteral("4 実況民： 新着その1"));
        QCOMPARE(list->item(1)->text(), QStringLiteral("6 名無し： 新着その2"));
        QCOMPARE(list->item(0)->toolTip(),
                 QStringLiteral("<p>shita\u00A0red&lt;&gt;\u00A0新着その1\u00A0&lt;&gt;"
                                "ID:DDDD4444&lt;&gt;実況民&lt;&gt;4</p>"));

        // On air with the post's commands: red, at the bottom.
        part<QTimer>(window(), "tmrMaku")->setInterval(5);
        SubtitleLayout shown;
        connect(&maku(window()), &SubtitleWindowControl::drawn, this, [&] {
            if (maku(window()).window()->lastLayout().text == QStringLiteral("新着その1 "))
                shown = maku(window()).window()->lastLayout();
        });
        action(window(), QStringLiteral("mnuMakuView"))->trigger();
        QVERIFY(action(window(), QStringLiteral("mnuMakuView"))->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(!shown.text.isEmpty(), 10000);
        QCOMPARE(shown.colourCode, 255);
        QVERIFY2(shown.pos.y() > shown.frame.height() / 2,
                 qPrintable(QString::number(shown.pos.y())));
        // The countdown shows every tick (70 again for the second post), then the timer sleeps.
        QList<int> counts;
        auto *tmrMaku = part<QTimer>(window(), "tmrMaku");
        connect(tmrMaku, &QTimer::timeout, this,
                [&] { counts << panelText(window(), QStringLiteral("MAKUTIMER")).toInt(); });
        QTRY_VERIFY_WITH_TIMEOUT(!tmrMaku->isActive(), 10000);
        QVERIFY(counts.contains(70) && counts.constLast() == -1);
        for (qsizetype i = 1; i < counts.size(); ++i)
            QVERIFY(counts[i] == counts[i - 1] - 1 ||
                    (counts[i - 1] == 1 && (counts[i] == 70 || counts[i] == -1)));
    }

    void deletedPostsDoNotStopTheBroadcast() // a deleted post stops the broadcast
    {
        auto line = [](int n) {
            return datLine(QStringLiteral("ID%1").arg(n),
                           QStringLiteral("レス%1").arg(n) + QString(n, QLatin1Char(' ')),
                           QStringLiteral("sage"));
        };
        m_board->setThread(line(1) + line(2) + line(3));
        // The address is typed and entered the way a keyboard does.
        cmbUrl(window())->clearEditText();
        cmbUrl(window())->setFocus();
        // The window's own focus widget: another test's window may hold the display's focus.
        QWidget *target = window()->focusWidget();
        QVERIFY(target);
        QTest::keyClicks(target, m_board->address());
        QTest::keyClick(target, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(status(), QStringLiteral("受信終了"), 15000);
        QCOMPARE(MainWindowParts::thread(window()).ResTotal, 3);

        const QString note = QStringLiteral(
            "受信終了（レスが削除されたため、スレッドを最初から読み込み直しました）");
        part<QTimer>(window(), "tmrReload")->setInterval(40);
        action(window(), QStringLiteral("mnuAutoReload(2)"))->trigger();
        // Post 2 deleted in place while two posts arrive.
        QVERIFY(m_board->server.rewriteDatLine(
            m_board->board, m_board->key, 1,
            Codec::toSjis(QStringLiteral("あぼーん<>あぼーん<>あぼーん<>あぼーん<>"))));
        m_board->append(line(4) + line(5));
        QTRY_COMPARE_WITH_TIMEOUT(status(), note, 15000);
        QCOMPARE(posts(), QStringLiteral("レス1|あぼーん|レス3|レス4|レス5"));
        // Post 3 removed without a trace while two more arrive.
        window()->SetStatus(QString());
        QVERIFY(m_board->server.removeDatLine(m_board->board, m_board->key, 2));
        m_board->append(line(6) + line(7));
        QTRY_COMPARE_WITH_TIMEOUT(status(), note, 15000);
        m_board->append(line(8));
        QTRY_COMPARE_WITH_TIMEOUT(queue(window()).count(), 5, 15000);
        action(window(), QStringLiteral("mnuAutoReload(0)"))->trigger();
        QCOMPARE(posts(), QStringLiteral("レス1|あぼーん|レス4|レス5|レス6|レス7|レス8"));
        // Every new post on air exactly once, in order.
        QStringList messages;
        for (const MakuEntry &entry : queue(window()).entries())
            messages << entry.message.trimmed();
        QCOMPARE(messages, QStringList({"レス4", "レス5", "レス6", "レス7", "レス8"}));
    }

    // One endless answer freezes the broadcast; a thread without end fills the memory.
    void endlessAnswerNeitherFreezesNorFloods()
    {
        m_board->setThread(datLine("START", "開始"));
        load();
        BoardServer::Behaviour endless;
        endless.endlessLines = true;
        endless.announcedLength = 1000000000;
        m_board->server.setBehaviour(endless);
        // The longest silence of a 100 ms timer, like the subtitle's, while the answer pours in.
        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        QTimer probe;
        probe.start(100);
        connect(&probe, &QTimer::timeout, this, [&] {
            if (sinceTick.isValid())
                longestGap = qMax(longestGap, sinceTick.elapsed());
            sinceTick.start();
        });
        window()->mnuReload_Click();
        QTRY_VERIFY_WITH_TIMEOUT(MainWindowParts::thread(window()).Ready, 60000);
        QCOMPARE(MainWindowParts::thread(window()).ResTotal, 10001);
        QCOMPARE(queue(window()).count(), 1000);
        QCOMPARE(queue(window()).entries().constLast().number, QStringLiteral("10001"));
        QVERIFY2(longestGap < 2000, qPrintable(QString::number(longestGap)));
        QVERIFY(sinceTick.isValid());
        // Nothing more of that thread is read; another one starts afresh.
        const QString full = QStringLiteral(
            "このスレッドは上限（10001レスか16MB）に達したため、これより先は読み込みません");
        QCOMPARE(status(), full);
        m_board->server.setBehaviour({});
        m_board->server.clearRequests();
        window()->mnuReload_Click();
        QVERIFY(MainWindowParts::thread(window()).Ready && m_board->server.requests().isEmpty());
        m_board->server.setDat(m_board->board, "1234567891", datLine("OTHER", "別スレ"));
        window()->setAddressText(
            threadAddress(m_board->server.origin(), m_board->board, QStringLiteral("1234567891")));
        load();
        QCOMPARE(MainWindowParts::thread(window()).ResTotal, 1);
    }

    // A post that fetches, re-bases the replies, covers the view or nests without end; board
    // and file text drawn as markup in the labels.
    void hostileTextStaysText()
    {
        const QString origin = m_board->server.origin();
        const QString spy = "HTTP" + origin.mid(4) + "/spy/";
        m_board->setThread(
            datLine("AAAA1111",
                    "<img src=" + spy + "1.png><link rel=stylesheet href=" + spy +
                        "2.css><video autoplay src=" + spy + "3.webm></video>" + "<base href=\"" +
                        origin + "/test/\">",
                    "x style=position:fixed;inset:0 onmouseover=y") +
            datLine("BBBB2222", "<a href=\"../test/read.cgi/live/999/1\">&gt;&gt;1</a>") +
            datLine("CCCC3333", "<a href=http://example.invalid/ style=\"position:fixed;left:0;"
                                "top:0;width:100%;height:100%\">x</a>" +
                                    QStringLiteral("<div>").repeated(20000)));
        load();
        QVERIFY(QTest::qWaitForWindowExposed(window().get()));
        m_view = part<ThreadView>(window(), QStringLiteral("webMain"));
        QCOMPARE(m_board
                     ->evaluate("document.querySelectorAll('img,link,video,base,[style]').length+"
                                "' '+document.querySelector('.name a').attributes.length+' '+"
                                "document.querySelectorAll('div').length")
                     .toString(),
                 QStringLiteral("0 1 9"));
        click(QStringLiteral("a[href^=\"../\"]"));
        clickAt(m_view->rect().center());
        QTRY_COMPARE_WITH_TIMEOUT(status(), Links::RefusedSchemeText(), 10000);
        QVERIFY(m_desktop.opened.isEmpty());
        QCOMPARE(MainWindowParts::thread(window()).CurrentUrl, m_board->address());
        for (const BoardServer::Request &r : m_board->server.requests())
            QVERIFY2(!r.path.startsWith("/spy/"), r.path.constData());

        QVERIFY(WriteTextFile(m_board->env.home.file(QStringLiteral("default.dat")),
                              QStringLiteral("<b>ごりら</b>\r\n")));
        frmCatfee *catfee = openGame();
        QTest::mouseClick(part<QPushButton>(catfee, "cmdNextQuestion"), Qt::LeftButton);
        QCOMPARE(shownText(part<QLabel>(catfee, "lblOdai")), QStringLiteral("<b>ごりら</b>"));
        BoardServer::Behaviour notFound;
        notFound.statusLine = "HTTP/1.1 404 <b>x</b>";
        m_board->server.setBehaviour(notFound);
        m_board->append(datLine("DDDD4444", "新着"));
        QVERIFY(m_board->reload());
        QCOMPARE(shownText(part<QLabel>(window(), "STATUS")),
                 QStringLiteral(
                     "HTTP/1.1 404 <b>x</b> スレッドが見つかりません（dat落ちか、URLの間違い）"));
    }

    // A right answer not ending the round or credited to another ID; the side windows left
    // behind; a reopened game carrying the old round.
    void guessingGameRoundAnsweredByPosts()
    {
        QVERIFY(WriteTextFile(m_board->env.home.file(QStringLiteral("default.dat")),
                              QStringLiteral("りんご\r\n")));
        m_board->setThread(datLine(QStringLiteral("START"), QStringLiteral("開始")));
        load();
        part<QTimer>(window(), "tmrMaku")->setInterval(5);
        action(window(), QStringLiteral("mnuMakuView"))->trigger();
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
        load();
        QTRY_COMPARE_WITH_TIMEOUT(labelText(question, "lblTimeLimit"), QStringLiteral("-1"), 10000);
        QCOMPARE(labelText(question, "lblQuestion"), QStringLiteral("りんご"));
        QCOMPARE(labelText(score, "lblScore"), QStringLiteral("125"));
        auto *lines = part<QListWidget>(score, "lstScore");
        QCOMPARE(lines->count(), 1);
        QCOMPARE(lines->item(0)->text(), QStringLiteral("ID:ANSWER1 [Score:  125]"));
        QVERIFY(next->isEnabled());

        // The question and score windows go with the game window.
        QVERIFY(catfee->close());
        QTRY_VERIFY(!question && !score);

        // Reopened, it starts from zero.
        catfee = openGame();
        QVERIFY(catfee);
        QCOMPARE(labelText(catfee, "lblCount"), QStringLiteral("0"));
        lines = part<QListWidget>(catfee->findChild<frmScore *>(), "lstScore");
        QCOMPARE(lines->item(0)->text(), QStringLiteral(" [Score:    0]"));
    }

    // A click that replaces the thread, or hands a local file or script to the desktop (also as
    // a mail's attachment); a new picture viewer per picture, or a page posing as a picture
    // running its script.
    void linkClicksFollowTheRules()
    {
        openLinkThread();
        QWebEngineView *web = nullptr;
        for (const char *name : {"red", "blue"}) {
            const QString url = m_board->server.origin() + QStringLiteral("/img/%1.png").arg(name);
            click(QStringLiteral("a[href=\"%1\"]").arg(url));
            QTRY_COMPARE_WITH_TIMEOUT(window()->findChildren<frmPicture *>().size(), 1, 10000);
            web = window()->findChild<QWebEngineView *>(QStringLiteral("webPicture"));
            QTRY_COMPARE_WITH_TIMEOUT(web->url().toString(), url, 10000);
        }
        // The last picture's load may still be ending: the page's own end is waited for.
        QStringList ended;
        QObject scope;
        connect(web, &QWebEngineView::loadFinished, &scope, [&] { ended << web->url().path(); });
        click(QStringLiteral("a[href$=\"page.html?.jpg\"]"));
        QTRY_VERIFY_WITH_TIMEOUT(ended.contains(QStringLiteral("/img/page.html")), 10000);
        QCOMPARE(web->title(), QStringLiteral("page"));

        const QString address = MainWindowParts::thread(window()).CurrentUrl;
        click(QStringLiteral(".name a"));
        QTRY_COMPARE_WITH_TIMEOUT(m_desktop.opened, QStringList{QStringLiteral("mailto:sage")},
                                  10000);
        click(QStringLiteral("a[href=\"http://example.invalid/p\"]"));
        // The ID link too: followed, it would have replaced the whole document.
        for (const char *refused : {"a[href^=file]", "a[href^=javascript]", ".date a"}) {
            window()->SetStatus(QString());
            click(QLatin1String(refused));
            QTRY_COMPARE_WITH_TIMEOUT(status(), Links::RefusedSchemeText(), 10000);
        }
        // The central service: refused here, handed to the browser.
        click(QStringLiteral("a[href*=hayabusa]"));
        QTRY_COMPARE_WITH_TIMEOUT(status(), Links::RefusedBoardText(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(
            m_desktop.opened, QStringList({"mailto:sage", "http://example.invalid/p", kCentral}),
            10000);
        QCOMPARE(MainWindowParts::thread(window()).CurrentUrl, address);
        QCOMPARE(
            m_board->evaluate(QStringLiteral("document.querySelectorAll('.res').length")).toInt(),
            3);

        // A rental thread over https loads here (its host leads nowhere in this test).
        BoardSocket::setHostOverride(QStringLiteral("jbbs.shitaraba.net"),
                                     QStringLiteral("127.0.0.1"), 9);
        click(QStringLiteral("a[href*=jbbs]"));
        QTRY_COMPARE_WITH_TIMEOUT(MainWindowParts::thread(window()).CurrentUrl, kRental, 10000);
        QCOMPARE(window()->addressText(), kRental);
        QPointer<frmPicture> picture = window()->findChild<frmPicture *>();
        QTest::keyClick(keyTarget(picture), Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!picture || !picture->isVisible(), 5000);
    }

    // A burst of posts not shown as waiting and late, 最新へ dropping the newest; a restart not
    // loading the thread at once (automatic reload is off) or not reopening the subtitle window.
    void onAirStripAndResume()
    {
        m_board->setThread(datLine("START", "開始"));
        load();
        const QRegularExpression idle(QStringLiteral(
            "^非表示\\|待ち 0件\\|遅れ 0秒\\|最終取得 \\d\\d:\\d\\d:\\d\\d\\|最新へ$"));
        QTRY_VERIFY2_WITH_TIMEOUT(idle.match(stripText()).hasMatch(), qPrintable(stripText()),
                                  5000);
        action(window(), QStringLiteral("mnuMakuView"))->trigger();
        m_board->env.program.flags.MakuStop = true; // the posts stay waiting
        QByteArray burst;
        for (int n = 2; n <= 9; ++n)
            burst += datLine(QStringLiteral("ID%1").arg(n), QStringLiteral("レス%1").arg(n));
        m_board->append(burst);
        load();
        const QRegularExpression late(QStringLiteral("\\|待ち 8件\\|遅れ \\d+秒\\|"));
        QTRY_VERIFY2_WITH_TIMEOUT(late.match(stripText()).hasMatch(), qPrintable(stripText()),
                                  5000);
        QTest::mouseClick(part<QPushButton>(window(), "cmdLatest"), Qt::LeftButton);
        QCOMPARE(status(), QStringLiteral("字幕待ちのレスを7件飛ばしました"));
        QTRY_VERIFY2_WITH_TIMEOUT(stripText().contains(QStringLiteral("|待ち 1件|")),
                                  qPrintable(stripText()), 5000);
        QCOMPARE(queue(window()).entries().first().number, QStringLiteral("9"));
        m_board->env.program.flags.MakuStop = false;

        window()->close();
        m_board->window = std::make_unique<frmMain>(m_board->env.program);
        QVERIFY(window()->Form_Load(QString()));
        QVERIFY(!MainWindowParts::thread(window()).Ready); // loading at once
        QTRY_COMPARE_WITH_TIMEOUT(MainWindowParts::thread(window()).ResTotal, 9, 15000);
        QVERIFY(maku(window()).isShown());
        QVERIFY(action(window(), QStringLiteral("mnuMakuView"))->isChecked());
        QTRY_VERIFY2_WITH_TIMEOUT(stripText().startsWith(QStringLiteral("表示中|")),
                                  qPrintable(stripText()), 5000);
    }

    // No pop-up for an anchor as the Perl board software stores it; pop-ups showing a reference
    // raw or losing text the board escaped.
    void popupsShowWhatTheViewShows()
    {
        m_board->setThread(datLine("AAAA1111", "寿司 &#x1F363; &lt;tag&gt;") +
                           datLine("BBBB2222", "&gt;&gt;1 うまそう"));
        load();
        QVERIFY(QTest::qWaitForWindowExposed(window().get()));
        m_view = part<ThreadView>(window(), QStringLiteral("webMain"));
        const QString post1 = "2026/12/06(日) 21:00:00.00 ID:AAAA1111\r\n     寿司 🍣 <tag> ";
        const auto *label = part<QLabel>(window(), "lblPopup");
        QTRY_COMPARE_WITH_TIMEOUT(hover(".msg a", label), "1 名無し " + post1, 10000);
        QVERIFY(label->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(hover(".date a", label), "1 名無し [] " + post1, 10000);
    }

    // A post on air not read through the engine chosen in the settings, read wrong, its voice
    // not played, or a failure said.
    void postsAreReadAloud()
    {
        if (!m_audio.isEmpty())
            QSKIP(qPrintable(m_audio));
        VoicevoxStandIn voicevox;
        BouyomiStandIn bouyomi;
        QVERIFY(voicevox.listen() && bouyomi.listen());
        // Only the voice reaches the sink: no subtitle sound.
        QVERIFY(QFile::remove(m_board->env.home.file("newmaku.wav")));
        m_board->setThread(datLine("START", "開始"));
        load();
        part<QTimer>(window(), "tmrMaku")->setInterval(5);
        action(window(), QStringLiteral("mnuMakuView"))->trigger();
        QSignalSpy notes(part<SpeechReader>(window()), &SpeechReader::statusNote);
        const auto post = [this](const QString &message) {
            m_board->append(datLine("AB12", message, "", "実況民"));
            load();
        };

        chooseSpeech(2, "txtVoicevoxUrl", voicevox.url());
        qsizetype mark = m_pulse.recorded();
        post("読み上げて ｗｗ");
        QTRY_COMPARE_WITH_TIMEOUT(voicevox.requests().size(), 2, 10000);
        QCOMPARE(voicevox.requests().first().text, "読み上げて わら");
        QTRY_VERIFY_WITH_TIMEOUT(m_pulse.peakSince(mark) > 4000, 10000);

        chooseSpeech(3, "spnBouyomiPort", QString::number(bouyomi.port()));
        post("棒読み");
        QTRY_COMPARE_WITH_TIMEOUT(bouyomi.packets().size(), 1, 10000);
        QCOMPARE(bouyomi.packets().first().toHex(' '),
                 "01 00 ff ff ff ff ff ff 00 00 00 09 00 00 00 e6 a3 92 e8 aa ad e3 81 bf");

        const QString why = m_pulse.startSpeechDispatcher();
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        chooseSpeech(1);
        QTRY_VERIFY_WITH_TIMEOUT(m_pulse.silentFor(16000), 10000);
        mark = m_pulse.recorded();
        post("システムの声");
        QTRY_VERIFY_WITH_TIMEOUT(m_pulse.peakSince(mark) > 1000, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(!part<SpeechReader>(window())->isSpeaking(), 30000);
        QCOMPARE(notes.count(), 0);
        QCOMPARE(voicevox.requests().size(), 2); // the old engines read nothing more
        QCOMPARE(bouyomi.packets().size(), 1);
    }

private:
    // Chooses the speech engine in the settings dialog as a user does, typing into a field.
    void chooseSpeech(int engine, const char *field = nullptr, const QString &typed = {})
    {
        action(window(), QStringLiteral("mnuSetting"))->trigger();
        auto *dialog = part<frmSetting>(window());
        QVERIFY(clickTab(dialog, "配信・読み上げ"));
        if (field) {
            part<QWidget>(dialog, QLatin1String(field))->setFocus();
            QTest::keyClick(dialog->focusWidget(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(dialog->focusWidget(), typed);
        }
        part<QWidget>(dialog, "cmbSpeechEngine")->setFocus();
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Home);
        for (int i = 0; i < engine; ++i)
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Down);
        QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);
        QTRY_VERIFY(!window()->findChild<frmSetting *>());
    }

    const std::unique_ptr<frmMain> &window() const { return m_board->window; }
    QString status() const { return panelText(window(), QStringLiteral("STATUS")); }
    // The on-air strip as a screen reader reads it, its parts joined by "|".
    QString stripText() const
    {
        QStringList texts;
        QAccessibleInterface *strip =
            QAccessible::queryAccessibleInterface(part<QWidget>(window(), "onAirStrip"));
        for (int i = 0; strip && i < strip->childCount(); ++i)
            texts << strip->child(i)->text(QAccessible::Name);
        return texts.join(QLatin1Char('|'));
    }
    void load()
    {
        QVERIFY(m_board->reload());
        QCOMPARE(status(), QStringLiteral("受信終了"));
    }
    QString posts()
    {
        return m_board
            ->evaluate(QStringLiteral("Array.from(document.querySelectorAll('.msg'))"
                                      ".map(e=>e.textContent.trim()).join('|')"))
            .toString();
    }

    // A thread of links and pictures on the board; what goes to the desktop is caught.
    void openLinkThread()
    {
        BoardServer &server = m_board->server;
        const QString img = server.origin() + QStringLiteral("/img/");
        // The viewer's address is what counts, not the picture.
        server.setPicture(QStringLiteral("/img/red.png"), "red");
        server.setPicture(QStringLiteral("/img/blue.png"), "blue");
        server.setPicture(QStringLiteral("/img/page.html?.jpg"),
                          "<title>page</title><script>document.title='ran'</script>");
        const QString links =
            "<a href=\"%1\">R</a> <a href=\"%2\">C</a> <a href=\"file:///etc/hostname\">f</a> "
            "<a href=\"javascript:alert(1)\">j</a>";
        m_board->setThread(datLine("AAAA1111", "最初のレス") +
                           datLine("ab/cd",
                                   img + "red.png <br> " + img +
                                       "blue.png <br> http://example.invalid/p <br> " + img +
                                       "page.html?.jpg",
                                   "sage?attach=/etc/passwd") +
                           datLine("ab/cd", links.arg(kRental, kCentral)));
        load();
        QVERIFY(QTest::qWaitForWindowExposed(window().get()));
        m_view = part<ThreadView>(window(), QStringLiteral("webMain"));
    }
    QPoint centreOf(const QString &selector)
    {
        const QVariantList xy =
            m_board
                ->evaluate("(function(){var r=document.querySelector('" + selector +
                           "').getBoundingClientRect();"
                           "return [r.left+r.width/2,r.top+r.height/2];})()")
                .toList();
        return xy.size() == 2 ? QPoint(xy[0].toInt(), xy[1].toInt()) : QPoint();
    }
    // A hover report can be missed while a loaded page settles, so the pointer leaves the link
    // and comes back now and then until the pop-up answers.
    QString hover(const char *selector, const QLabel *label)
    {
        if (!m_hovered.isValid() || m_hovered.hasExpired(1000)) {
            QTest::mouseMove(m_view->focusProxy(), QPoint(2, 2));
            QTest::mouseMove(m_view->focusProxy(), centreOf(QLatin1String(selector)));
            m_hovered.start();
        }
        return label->text();
    }
    void click(const QString &selector) { clickAt(centreOf(selector)); }
    void clickAt(const QPoint &point)
    {
        QTest::mouseMove(m_view->focusProxy(), point);
        QTest::mouseClick(m_view->focusProxy(), Qt::LeftButton, Qt::NoModifier, point);
    }

    frmCatfee *openGame()
    {
        action(window(), QStringLiteral("mnuMakucatch"))->trigger();
        auto *game = window()->findChild<frmCatfee *>();
        if (game)
            part<QTimer>(game, "tmrTimelimit")->stop(); // the test turns the clock itself
        return game;
    }

    DesktopSeam m_desktop;
    std::unique_ptr<LocalBoardWindow> m_board;
    PulseSink m_pulse;
    QString m_audio; // why there is no audio output, if there is none
    ThreadView *m_view = nullptr;
    QElapsedTimer m_hovered;
};

QTEST_MAIN(TestLiveRoad)
#include "tst_liveroad.moc"
