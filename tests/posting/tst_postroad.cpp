#include "app/localboardwindow.h"
#include "platform/translations.h"
#include "posting/frmpost.h"
#include "posting/postexchange.h"
#include "subtitle/frmtext.h"
#include "support/widgets.h"

#include <QCheckBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTranslator>

using namespace MainWindowParts;

namespace {
// Typed by an input method: the JIS forms of the wave dash and minus, an emoji, a cent sign.
const QString kTyped = QStringLiteral("波〜ダッシュ 減−算 😀 ¢");
// As it comes back on air.
const QString kOnAir = QStringLiteral("波～ダッシュ 減－算 😀 ￠");
} // namespace

// Posting through the real windows to the local board over TCP: the post window, the exchange,
// the board's answer pages, and the main window's reload afterwards.
class TestPostRoad : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_board = std::make_unique<LocalBoardWindow>();
        QVERIFY(m_board->open(datLine("AAAA", "最初", "sage", "名無し", "書き込みテスト")));
    }

    void cleanup() { m_board.reset(); }

    // A post lost or doubled, Enter posting instead of breaking the line, no reload afterwards;
    // characters the board's encoding lacks, or has in another form, written as "?".
    void replyWithShiftEnterGoesOnAir()
    {
        m_board->env.program.opt.MakuMode = 1;
        part<QTimer>(window(), "tmrMaku")->setInterval(5);
        action(window(), QStringLiteral("mnuMakuView"))->trigger();
        QStringList drawn;
        connect(&maku(window()), &SubtitleWindowControl::drawn, this,
                [&] { drawn << maku(window()).window()->lastLayout().text; });

        QVERIFY(openPost());
        QVERIFY(m_board->env.program.flags.MakuStop);
        QCOMPARE(postPart<QComboBox>("txtMail")->currentText(), QStringLiteral("sage"));
        typeMessage(kTyped);
        // Enter alone breaks the line; Shift+Enter posts and adds none.
        QTest::keyClick(m_post->focusWidget(), Qt::Key_Return);
        typeMessage(QStringLiteral("<二行目>  "));
        QTest::keyClick(m_post->focusWidget(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(message(), kTyped + QStringLiteral("\n<二行目>"));
        QVERIFY(!postPart<QPushButton>("cmdKakikomi")->isEnabled());

        // Written once, then the main window reloads and the ticked box closes the window.
        QTRY_VERIFY_WITH_TIMEOUT(m_post.isNull(), 15000);
        QCOMPARE(m_board->server.postsWritten(), 1);
        QVERIFY(datText().contains(QStringLiteral("<>sage<>")));
        QVERIFY(m_board->server.dat(m_board->board, m_board->key)
                    .contains(
                        "<> \x94\x67\x81\x60\x83\x5f\x83\x62\x83\x56\x83\x85 \x8c\xb8\x81\x7c"
                        "\x8e\x5a &#128512; \x81\x91 <br> &lt;\x93\xf1\x8d\x73\x96\xda&gt; <>\n"));
        QVERIFY(!m_board->env.program.flags.MakuStop);
        QTRY_COMPARE_WITH_TIMEOUT(MainWindowParts::thread(window()).ResTotal, 2, 15000);
        QTRY_VERIFY2_WITH_TIMEOUT(drawn.contains(kOnAir + QStringLiteral(" \r\n<二行目> ")),
                                  qPrintable(drawn.join(QLatin1Char('|'))), 15000);
    }

    // An error page read as written, a confirmation not answered with the board's cookies or
    // answered twice.
    void answerPagesAreJudged()
    {
        BoardServer::Behaviour b;
        b.postError = QStringLiteral("連続投稿ですか？？<font size=7>x</font>");
        m_board->server.setBehaviour(b);
        QVERIFY(openPost());
        postPart<QCheckBox>("chkAutoClose")->setChecked(false);
        postPart<QLineEdit>("txtName")->setText(QStringLiteral("実況者"));
        typeMessage(QStringLiteral(">>1 確認のあと"));
        QTest::keyClick(m_post->focusWidget(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(takeError(),
                 QStringLiteral("なんかエラー\r\nＥＲＲＯＲ！\r\nＥＲＲＯＲ：連続投稿ですか？？"
                                "<font size=7>x</font>"));
        // Shown as written in the status bar too, never as markup.
        QCOMPARE(
            shownText(MainWindowParts::part<QLabel>(m_board->window, "STATUS")),
            QStringLiteral("ＥＲＲＯＲ！ ＥＲＲＯＲ：連続投稿ですか？？<font size=7>x</font>"));
        // The texts stay for another try.
        QCOMPARE(message(), QStringLiteral(">>1 確認のあと"));
        QCOMPARE(m_board->server.postsWritten(), 0);

        b.postError.clear();
        b.confirmCookie = "PON";
        b.plainAnchors = true; // as the Perl board software stores an anchor
        m_board->server.setBehaviour(b);
        m_board->server.clearRequests();
        QTest::mouseClick(postPart<QPushButton>("cmdKakikomi"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(postPart<QPushButton>("cmdKakikomi")->isEnabled(), 15000);
        QCOMPARE(m_board->server.postsWritten(), 1);
        QList<BoardServer::Request> posts = m_board->server.requests();
        posts.removeIf([](const BoardServer::Request &r) { return r.method != "POST"; });
        QCOMPARE(posts.size(), 2);
        QCOMPARE(posts[1].header("Cookie"),
                 QByteArray("NAME=%8E%C0%8B%B5%8E%D2; MAIL=sage; PON=1"));
        QCOMPARE(posts[1].body, posts[0].body);
        QVERIFY(datText().contains(QStringLiteral("実況者<>sage<>")));
        QVERIFY(datText().contains(QStringLiteral("<> &gt;&gt;1 確認のあと <>")));
        QVERIFY(message().isEmpty());

        // A board that asks again is a failure, and nothing is written.
        b.confirmAlways = true;
        m_board->server.setBehaviour(b);
        typeMessage(QStringLiteral("再確認"));
        QTest::mouseClick(postPart<QPushButton>("cmdKakikomi"), Qt::LeftButton);
        QVERIFY(takeError().startsWith(
            QStringLiteral("なんかエラー\r\n■ 書き込み確認 ■ 書き込み確認します。")));
        QCOMPARE(m_board->server.postsWritten(), 1);
    }

    // A new thread posted unasked, its title losing characters, the question in English; the
    // board's anchor not a link as 2channel writes it.
    void newThreadAfterTheQuestion()
    {
        const std::unique_ptr<QTranslator> japanese(
            LoadQtTranslations(QLocale(QLocale::Japanese, QLocale::Japan)));
        QVERIFY(japanese);
        QVERIFY(openPost());
        postPart<QLineEdit>("txtThread")->setText(QStringLiteral("次スレ😀〜"));
        typeMessage(QStringLiteral(">>1 立てました"));
        QTest::mouseClick(postPart<QPushButton>("cmdThread"), Qt::LeftButton);
        QMessageBox *question = m_post->findChild<QMessageBox *>(QStringLiteral("confirmThread"));
        QVERIFY(question);
        QCOMPARE(question->button(QMessageBox::Yes)->text(), QStringLiteral("はい(&Y)"));
        QCOMPARE(question->button(QMessageBox::No)->text(), QStringLiteral("いいえ(&N)"));
        QCOMPARE(m_board->server.postsWritten(), 0);
        question->button(QMessageBox::Yes)->click();
        QTRY_COMPARE_WITH_TIMEOUT(m_board->server.postsWritten(), 1, 15000);
        const QStringList keys = m_board->server.threadKeys(m_board->board);
        QCOMPARE(keys.size(), 2);
        const QString key = keys.at(keys.at(0) == m_board->key ? 1 : 0);
        QVERIFY(
            Codec::fromSjis(m_board->server.dat(m_board->board, key))
                .endsWith("/1\" target=\"_blank\">&gt;&gt;1</a> 立てました <>次スレ&#128512;～\n"));
    }

    void rentalReplyOverTls() // a rental post not sent over TLS or not in EUC-JP
    {
        RentalTlsBoard tls;
        QVERIFY(tls.start());
        tls.server.setRentalThread(
            QStringLiteral("game"), QStringLiteral("77"), m_board->key,
            {QStringLiteral("1<>名無し<><>2026/12/06<>最初<>したらば<>AAAA")});
        // The address names no port: the post goes to 443, which the test sends to the board.
        cmbUrl(window())->setEditText(
            QStringLiteral("https://jbbs.shitaraba.net/bbs/read.cgi/game/77/1234567890/l50"));
        QVERIFY(openPost());
        postPart<QLineEdit>("txtName")->setText(QStringLiteral("ｶﾅ😀"));
        typeMessage(QStringLiteral("暗号化で①") + kTyped);
        QTest::keyClick(m_post->focusWidget(), Qt::Key_Return, Qt::ShiftModifier);
        QTRY_VERIFY_WITH_TIMEOUT(m_post.isNull(), 15000);
        const QStringList lines =
            tls.server.rentalLines(QStringLiteral("game"), QStringLiteral("77"), m_board->key);
        QCOMPARE(lines.size(), 2);
        const QStringList fields = lines.at(1).split(QStringLiteral("<>"));
        QCOMPARE(fields.mid(0, 3), QStringList({"2", "ｶﾅ&#128512;", "sage"}));
        QCOMPARE(Codec::toEuc(fields.at(4)),
                 QByteArray("\xb0\xc5\xb9\xe6\xb2\xbd\xa4\xc7\xad\xa1\xc7\xc8\xa1\xc1"
                            "\xa5\xc0\xa5\xc3\xa5\xb7\xa5\xe5 \xb8\xba\xa1\xdd"
                            "\xbb\xbb &#128512; \xa1\xf1"));
        // Back from the board in the main window's view, characters intact.
        QTRY_COMPARE_WITH_TIMEOUT(MainWindowParts::thread(window()).ResTotal, 2, 15000);
        QVERIFY(m_board->evaluate("document.body.textContent").toString().contains(kOnAir));
    }

    // A silent board holds the post forever, or a second post starts while one runs; Escape
    // not closing the window.
    void answerLimitAndSecondPost()
    {
        BoardServer::Behaviour b;
        b.silentMs = -1;
        m_board->server.setBehaviour(b);
        QVERIFY(openPost());
        postPart<PostExchange>("wscSystem")->setTimeLimits(20000, 1000);
        typeMessage(QStringLiteral("届かない"));
        QTest::keyClick(m_post->focusWidget(), Qt::Key_Return, Qt::ShiftModifier);
        QVERIFY(!postPart<QPushButton>("cmdKakikomi")->isEnabled());
        m_post->Kakikomi();
        QCOMPARE(panelText(window(), QStringLiteral("STATUS")),
                 QStringLiteral("書き込み中です。終わるまでお待ちください"));
        QVERIFY(
            takeError().endsWith(QStringLiteral("書き込みの応答が1秒以内に返ってきませんでした")));
        QCOMPARE(message(), QStringLiteral("届かない"));
        QVERIFY(postPart<QPushButton>("cmdKakikomi")->isEnabled());
        QTest::keyClick(keyTarget(m_post), Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(m_post.isNull(), 5000);
    }

private:
    const std::unique_ptr<frmMain> &window() const { return m_board->window; }
    frmPost *openPost()
    {
        action(window(), QStringLiteral("mnuWrite"))->trigger();
        m_post = window()->findChild<frmPost *>();
        return m_post && QTest::qWaitForWindowExposed(m_post) ? m_post.data() : nullptr;
    }
    template<class T> T *postPart(const char *name) const { return part<T>(m_post, name); }
    QString message() const { return postPart<QPlainTextEdit>("txtMessage")->toPlainText(); }
    QString datText() const
    {
        return Codec::fromSjis(m_board->server.dat(m_board->board, m_board->key));
    }
    void typeMessage(const QString &text)
    {
        QTest::mouseClick(postPart<QPlainTextEdit>("txtMessage")->viewport(), Qt::LeftButton);
        // Japanese text arrives from the input method as a committed string.
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(m_post->focusWidget(), &commit);
    }
    // The text of the error box the post window opens; the box is closed.
    QString takeError()
    {
        const QString name = QStringLiteral("postError");
        QMessageBox *box = nullptr;
        if (!QTest::qWaitFor([&] { return (box = m_post->findChild<QMessageBox *>(name)); }, 15000))
            return QStringLiteral("<no error box>");
        const QString text = shownText(box->findChild<QLabel *>("qt_msgbox_label"));
        box->close();
        const bool closed =
            QTest::qWaitFor([&] { return !m_post->findChild<QMessageBox *>(name); }, 5000);
        return closed ? text : QStringLiteral("<error box stays>");
    }

    std::unique_ptr<LocalBoardWindow> m_board;
    QPointer<frmPost> m_post;
};

QTEST_MAIN(TestPostRoad)
#include "tst_postroad.moc"
