#include "../app/mainwindowparts.h"
#include "boardserver.h"
#include "platform/boardsocket.h"
#include "platform/codec.h"
#include "posting/frmpost.h"
#include "posting/postexchange.h"
#include "subtitle/frmtext.h"
#include "subtitle/textlayout.h"
#include "support/testhome.h"
#include "support/unansweredport.h"
#include "threadlist/frmthread.h"

#include <QCheckBox>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSslCertificate>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace MainWindowParts;

namespace {

const QString kBoard = QStringLiteral("live");
const QString kKey = QStringLiteral("1234567890");

} // namespace

// Posting through the real windows to the local board over TCP: the post window, the exchange,
// the board's answer pages, and the main window's reload afterwards.
class TestPostRoad : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void replyWithShiftEnterGoesOnAir();
    void confirmationIsAnsweredOnce();
    void errorPageKeepsTheTexts();
    void newThreadAfterTheQuestion();
    void rentalReplyOverTls();
    void timeLimits();
    void openingCheck();

private:
    frmPost *openPost();
    template<class T> T *postPart(const char *name) const
    {
        T *found = m_post->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("post window has no part named \"%s\"", name);
        return found;
    }
    QString threadUrl() const
    {
        return m_server->origin() + QStringLiteral("/test/read.cgi/") + kBoard + QLatin1Char('/') +
               kKey + QLatin1Char('/');
    }
    QString datText() const { return Codec::fromSjis(m_server->dat(kBoard, kKey)); }
    void typeMessage(const QString &text);

    std::unique_ptr<TestProgram> m_env;
    std::unique_ptr<BoardServer> m_server;
    std::unique_ptr<frmMain> m_window;
    QPointer<frmPost> m_post;
};

void TestPostRoad::init()
{
    m_env = std::make_unique<TestProgram>();
    m_server = std::make_unique<BoardServer>();
    QVERIFY(m_server->listen());
    m_server->setDat(kBoard, kKey,
                     Codec::toSjis(QStringLiteral("名無し<>sage<>2026/12/06(日) 21:00:00.00 "
                                                  "ID:AAAA<> 最初 <>書き込みテスト\n")));
    m_window = std::make_unique<frmMain>(m_env->program);
    QVERIFY(m_window->Form_Load(QString()));
    cmbUrl(m_window)->setEditText(threadUrl());
    m_window->mnuReload_Click();
    QTRY_VERIFY_WITH_TIMEOUT(MainWindowParts::thread(m_window).Ready, 15000);
}

void TestPostRoad::cleanup()
{
    BoardSocket::resetTestHooks();
    if (m_window)
        m_window->close();
    m_window.reset();
    m_server.reset();
    m_env.reset();
}

frmPost *TestPostRoad::openPost()
{
    action(m_window, QStringLiteral("mnuWrite"))->trigger();
    m_post = m_window->findChild<frmPost *>();
    if (m_post && !QTest::qWaitForWindowExposed(m_post))
        return nullptr;
    return m_post;
}

void TestPostRoad::typeMessage(const QString &text)
{
    QTest::mouseClick(postPart<QPlainTextEdit>("txtMessage")->viewport(), Qt::LeftButton);
    // Japanese text arrives from the input method as a committed string.
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(m_post->focusWidget(), &commit);
}

void TestPostRoad::replyWithShiftEnterGoesOnAir()
{
    m_env->program.opt.MakuMode = 1;
    timer(m_window, "tmrMaku")->setInterval(5);
    action(m_window, QStringLiteral("mnuMakuView"))->trigger();
    QStringList drawn;
    connect(&maku(m_window), &SubtitleWindowControl::drawn, this,
            [&] { drawn << maku(m_window).window()->lastLayout().text; });

    QVERIFY(openPost());
    QVERIFY(m_env->program.flags.MakuStop);
    QCOMPARE(m_post->windowTitle(), QStringLiteral("書き込み&スレ立て"));
    QCOMPARE(postPart<QComboBox>("txtMail")->currentText(), QStringLiteral("sage"));
    QCOMPARE(postPart<QComboBox>("txtMail")->count(), 6);
    QCOMPARE(m_post->focusWidget(), postPart<QPlainTextEdit>("txtMessage"));
    typeMessage(QStringLiteral("一行目"));
    // Enter alone breaks the line; Shift+Enter posts and adds none.
    QTest::keyClick(m_post->focusWidget(), Qt::Key_Return);
    typeMessage(QStringLiteral("<二行目>  "));
    QTest::keyClick(m_post->focusWidget(), Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(postPart<QPlainTextEdit>("txtMessage")->toPlainText(),
             QStringLiteral("一行目\n<二行目>"));
    QVERIFY(!postPart<QPushButton>("cmdKakikomi")->isEnabled());

    // Written once, then the main window reloads and the ticked box closes the window.
    QTRY_VERIFY_WITH_TIMEOUT(m_post.isNull(), 15000);
    QCOMPARE(m_server->postsWritten(), 1);
    QVERIFY(datText().contains(QStringLiteral("<>sage<>")));
    QVERIFY(datText().contains(QStringLiteral("<> 一行目 <br> &lt;二行目&gt; <>\n")));
    QVERIFY(!m_env->program.flags.MakuStop);
    QTRY_COMPARE_WITH_TIMEOUT(MainWindowParts::thread(m_window).ResTotal, 2, 15000);
    QTRY_VERIFY2_WITH_TIMEOUT(drawn.contains(QStringLiteral("一行目 \r\n<二行目> ")),
                              qPrintable(drawn.join(QLatin1Char('|'))), 15000);
}

void TestPostRoad::confirmationIsAnsweredOnce()
{
    BoardServer::Behaviour b;
    b.confirmCookie = "PON";
    m_server->setBehaviour(b);
    QVERIFY(openPost());
    postPart<QCheckBox>("chkAutoClose")->setChecked(false);
    postPart<QLineEdit>("txtName")->setText(QStringLiteral("実況者"));
    typeMessage(QStringLiteral("確認のあと"));
    QTest::mouseClick(postPart<QPushButton>("cmdKakikomi"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(postPart<QPushButton>("cmdKakikomi")->isEnabled(), 15000);

    QCOMPARE(m_server->postsWritten(), 1);
    QList<BoardServer::Request> posts;
    for (const BoardServer::Request &r : m_server->requests()) {
        if (r.method == "POST")
            posts << r;
    }
    QCOMPARE(posts.size(), 2);
    QCOMPARE(posts[0].header("Cookie"), QByteArray("NAME=\x8e\xc0\x8b\xb5\x8e\xd2; MAIL=sage"));
    QCOMPARE(posts[1].header("Cookie"), QByteArray("NAME=%8E%C0%8B%B5%8E%D2; MAIL=sage; PON=1"));
    QCOMPARE(posts[1].body, posts[0].body);
    QVERIFY(datText().contains(QStringLiteral("実況者<>sage<>")));
    // The window stays open: message emptied, name and mail kept.
    QVERIFY(postPart<QPlainTextEdit>("txtMessage")->toPlainText().isEmpty());
    QCOMPARE(postPart<QLineEdit>("txtName")->text(), QStringLiteral("実況者"));

    // A board that asks again is a failure, and nothing is written.
    b.confirmAlways = true;
    m_server->setBehaviour(b);
    typeMessage(QStringLiteral("再確認"));
    QTest::mouseClick(postPart<QPushButton>("cmdKakikomi"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(m_post->findChild<QMessageBox *>(QStringLiteral("postError")), 15000);
    QVERIFY(
        m_post->findChild<QMessageBox *>(QStringLiteral("postError"))
            ->text()
            .startsWith(QStringLiteral("なんかエラー\r\n■ 書き込み確認 ■ 書き込み確認します。")));
    QCOMPARE(m_server->postsWritten(), 1);
}

void TestPostRoad::errorPageKeepsTheTexts()
{
    BoardServer::Behaviour b;
    b.postError = QStringLiteral("連続投稿ですか？？");
    m_server->setBehaviour(b);
    QVERIFY(openPost());
    typeMessage(QStringLiteral("失敗する"));
    QTest::keyClick(m_post->focusWidget(), Qt::Key_Return, Qt::ShiftModifier);
    QTRY_VERIFY_WITH_TIMEOUT(m_post->findChild<QMessageBox *>(QStringLiteral("postError")), 15000);
    const QString error = QStringLiteral("ＥＲＲＯＲ！\r\nＥＲＲＯＲ：連続投稿ですか？？");
    QCOMPARE(m_post->findChild<QMessageBox *>(QStringLiteral("postError"))->text(),
             QStringLiteral("なんかエラー\r\n") + error);
    // The status bar keeps it on one line.
    QCOMPARE(panelText(m_window, QStringLiteral("STATUS")),
             QStringLiteral("ＥＲＲＯＲ！ ＥＲＲＯＲ：連続投稿ですか？？"));
    QCOMPARE(postPart<QPlainTextEdit>("txtMessage")->toPlainText(), QStringLiteral("失敗する"));
    QVERIFY(postPart<QPushButton>("cmdKakikomi")->isEnabled());
    QCOMPARE(m_server->postsWritten(), 0);
}

void TestPostRoad::newThreadAfterTheQuestion()
{
    QVERIFY(openPost());
    QSignalSpy listAsked(m_post.data(), &frmPost::threadListRequested);
    postPart<QLineEdit>("txtThread")->setText(QStringLiteral("次スレ"));
    typeMessage(QStringLiteral("立てました"));
    QTest::mouseClick(postPart<QPushButton>("cmdThread"), Qt::LeftButton);
    QMessageBox *question = m_post->findChild<QMessageBox *>(QStringLiteral("confirmThread"));
    QVERIFY(question);
    QCOMPARE(question->text(),
             threadUrl() + QStringLiteral("\r\nこのスレッドのある板に、新規スレッド"
                                          "を立てます\r\n本当に実行してよろしいですか？"));
    question->button(QMessageBox::Yes)->click();
    QVERIFY(listAsked.wait(15000));
    QCOMPARE(m_server->postsWritten(), 1);
    const QStringList keys = m_server->threadKeys(kBoard);
    QCOMPARE(keys.size(), 2);
    const QString key = keys.at(keys.at(0) == kKey ? 1 : 0);
    // The board's thread list opens and holds the new thread.
    QTRY_VERIFY_WITH_TIMEOUT(m_window->findChild<frmThread *>(), 5000);
    auto *list =
        m_window->findChild<frmThread *>()->findChild<QTreeWidget *>(QStringLiteral("lvwThread"));
    QTRY_COMPARE_WITH_TIMEOUT(list->topLevelItemCount(), 2, 15000);
    QStringList urls;
    for (int i = 0; i < 2; ++i)
        urls << list->topLevelItem(i)->text(4);
    QVERIFY(urls.contains(m_server->origin() + QStringLiteral("/test/read.cgi/live/") + key +
                          QLatin1Char('/')));
    QVERIFY(Codec::fromSjis(m_server->dat(kBoard, key))
                .endsWith(QStringLiteral("<> 立てました <>次スレ\n")));
}

void TestPostRoad::rentalReplyOverTls()
{
    if (!QSslSocket::supportsSsl())
        QSKIP("no TLS backend");
    QTemporaryDir dir;
    const QString cert = dir.filePath(QStringLiteral("cert.pem"));
    const QString key = dir.filePath(QStringLiteral("key.pem"));
    QCOMPARE(QProcess::execute(QStringLiteral("openssl"),
                               {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                                "-out", cert, "-days", "2", "-subj", "/CN=jbbs.shitaraba.net",
                                "-addext", "subjectAltName=DNS:jbbs.shitaraba.net"}),
             0);
    BoardServer tls;
    QVERIFY2(tls.listenTls(cert, key), qPrintable(tls.errorString()));
    tls.setRentalThread(QStringLiteral("game"), QStringLiteral("77"), kKey,
                        {QStringLiteral("1<>名無し<><>2026/12/06<>最初<>したらば<>AAAA")});
    BoardSocket::addCaCertificates(QSslCertificate::fromPath(cert));
    // The address names no port: the post goes to 443, which the test sends to the local board.
    BoardSocket::setHostOverride(QStringLiteral("jbbs.shitaraba.net"), QStringLiteral("127.0.0.1"),
                                 tls.port());
    cmbUrl(m_window)->setEditText(
        QStringLiteral("https://jbbs.shitaraba.net/bbs/read.cgi/game/77/1234567890/l50"));
    QVERIFY(openPost());
    // The opening check cut the address after its last "/".
    QCOMPARE(cmbUrl(m_window)->currentText(),
             QStringLiteral("https://jbbs.shitaraba.net/bbs/read.cgi/game/77/1234567890/"));
    postPart<QLineEdit>("txtName")->setText(QStringLiteral("ｶﾅ"));
    typeMessage(QStringLiteral("暗号化で①書き込み"));
    QTest::keyClick(m_post->focusWidget(), Qt::Key_Return, Qt::ShiftModifier);
    QTRY_VERIFY_WITH_TIMEOUT(m_post.isNull(), 15000);
    QCOMPARE(tls.rentalLines(QStringLiteral("game"), QStringLiteral("77"), kKey).size(), 2);
    const QStringList fields =
        tls.rentalLines(QStringLiteral("game"), QStringLiteral("77"), kKey).at(1).split("<>");
    QCOMPARE(fields.mid(0, 3), QStringList({"2", "ｶﾅ", "sage"}));
    QCOMPARE(fields.at(4), QStringLiteral("暗号化で①書き込み"));
    QVERIFY(tls.requests().first().body.contains("NAME=%8E%B6%8E%C5&MAIL=sage&MESSAGE=%B0%C5%B9%E6%"
                                                 "B2%BD%A4%C7%AD%A1%BD%F1%A4%AD%B9%FE%A4%DF"));
}

void TestPostRoad::timeLimits()
{
    // A board that takes the request and never answers: the post ends at the answer limit.
    BoardServer::Behaviour b;
    b.silentMs = -1;
    m_server->setBehaviour(b);
    QVERIFY(openPost());
    postPart<PostExchange>("wscSystem")->setTimeLimits(20000, 1000);
    typeMessage(QStringLiteral("届かない"));
    QTest::keyClick(m_post->focusWidget(), Qt::Key_Return, Qt::ShiftModifier);
    QTRY_VERIFY_WITH_TIMEOUT(m_post->findChild<QMessageBox *>(QStringLiteral("postError")), 10000);
    QCOMPARE(panelText(m_window, QStringLiteral("STATUS")),
             QStringLiteral("書き込みの応答が1秒以内に返ってきませんでした"));
    QCOMPARE(postPart<QPlainTextEdit>("txtMessage")->toPlainText(), QStringLiteral("届かない"));
    m_post->findChild<QMessageBox *>(QStringLiteral("postError"))->close();

    // A port where the connection never comes.
    UnansweredPort unanswered;
    const quint16 port = unanswered.port();
    QVERIFY(port);
    const QString remote = QStringLiteral("127.0.0.1:") + QString::number(port);
    cmbUrl(m_window)->setEditText(QStringLiteral("http://") + remote +
                                  QStringLiteral("/test/read.cgi/live/1/"));
    postPart<PostExchange>("wscSystem")->setTimeLimits(500, 1000);
    QTest::mouseClick(postPart<QPushButton>("cmdKakikomi"), Qt::LeftButton);
    QCOMPARE(panelText(m_window, QStringLiteral("STATUS")), remote + QStringLiteral("に接続中..."));
    // A second post while one runs is refused.
    QVERIFY(!postPart<QPushButton>("cmdKakikomi")->isEnabled());
    m_post->Kakikomi();
    QCOMPARE(panelText(m_window, QStringLiteral("STATUS")),
             QStringLiteral("書き込み中です。終わるまでお待ちください"));
    QTRY_COMPARE_WITH_TIMEOUT(panelText(m_window, QStringLiteral("STATUS")),
                              remote + QStringLiteral("に接続できませんでした"), 5000);
    QVERIFY(postPart<QPushButton>("cmdKakikomi")->isEnabled());
}

void TestPostRoad::openingCheck()
{
    const struct
    {
        const char *address;
        const char *status;
    } refused[] = {
        {"http://eagle.5ch.net/test/read.cgi/livejupiter/1/",
         "2chはあえて書き込めないようにしてます。外部板で使いましょう"},
        {"http://jbbs.shitaraba.net/bbs/read.cgi/game/1/", "したばらのURLっぽいけど、なんか変です"},
        {"", "このURLは書き込みできません"},
    };
    for (const auto &r : refused) {
        cmbUrl(m_window)->setEditText(QString::fromUtf8(r.address));
        action(m_window, QStringLiteral("mnuWrite"))->trigger();
        QCOMPARE(panelText(m_window, QStringLiteral("STATUS")), QString::fromUtf8(r.status));
        QVERIFY(!m_window->findChild<frmPost *>());
    }
    // Unticking the pause with subtitles waiting lets the next one out; closing then changes
    // nothing.
    cmbUrl(m_window)->setEditText(threadUrl());
    QVERIFY(openPost());
    queue(m_window).append(QStringLiteral("<>待ち<><>名無し<>2"));
    QTest::mouseClick(postPart<QCheckBox>("chkMakuStop"), Qt::LeftButton);
    QVERIFY(!m_env->program.flags.MakuStop);
    QCOMPARE(panelText(m_window, QStringLiteral("MAKUTIMER")), QStringLiteral("1"));
    m_post->close();
    QTRY_VERIFY(m_post.isNull());
    QVERIFY(!m_env->program.flags.MakuStop);
}

QTEST_MAIN(TestPostRoad)
#include "tst_postroad.moc"
