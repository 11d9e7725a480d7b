#include "localboardwindow.h"
#include "platform/textfile.h"
#include "settings/options.h"
#include "subtitle/frmtext.h"
#include "support/widgets.h"

#include <QDateTime>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

using namespace MainWindowParts;

namespace {

QByteArray post(const char *id, const QString &message, const QString &name = "名無し")
{
    return datLine(QLatin1String(id), message, QString(), name);
}

} // namespace

// A troll silenced in the middle of a broadcast through the real main window following the
// local board: rules taken from a post's context menu and the queue list's, and typed in the
// NG dialog.
class TestNgRoad : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_board = std::make_unique<LocalBoardWindow>(); }
    void cleanup() { m_board.reset(); }

    // The troll's waiting or later posts aired, the others out of order, its posts shown with
    // their text; the rule lost with a restart or kept past NgIdHours.
    void idRuleFromThePost()
    {
        QByteArray dat = post("AAAA", "開始") + post("BBBB", "二");
        QVERIFY(m_board->open(dat));
        const QByteArray news = post("CCCC", "他1") + post("TROLL", "荒1") + post("TROLL", "荒2") +
                                post("TROLL", "荒3") + post("DDDD", "他2") + post("TROLL", "荒4") +
                                post("TROLL", "荒5") + post("TROLL", "荒6") + post("EEEE", "他3");
        dat += news;
        m_board->append(news);
        QVERIFY(m_board->reload());
        QCOMPARE(queue(window()).count(), 9);
        // The reader's place in the view is kept when it is written again.
        const QString scroll =
            "(function(){var e=document.scrollingElement;%1return e.scrollTop;})()";
        const int place = m_board->evaluate(scroll.arg("e.scrollTop=40;")).toInt();
        QVERIFY(place > 0);

        chooseFromMenu(part<ThreadView>(window(), "webMain")->focusProxy(), centreOfPost(4),
                       QStringLiteral("このIDをNG"));
        // The program's items only: no navigation or saving of its own document.
        QCOMPARE(m_menuTexts, QStringLiteral("コピー|すべて選択||このIDをNG|この名前をNG"));
        QTRY_COMPARE(status(), QStringLiteral("このIDをNGにしました（待機中の字幕から6件を"
                                              "取り除きました）"));
        const QString shown = QStringLiteral("開始|二|他1|NG|NG|NG|他2|NG|NG|NG|他3");
        QTRY_COMPARE_WITH_TIMEOUT(posts(), shown, 10000);
        QCOMPARE(m_board->evaluate(scroll.arg("")).toInt(), place);
        const QString ids = ReadUtf8File(m_board->env.home.file("ngid.txt"), 100).value_or("");
        QVERIFY2(QRegularExpression("^TROLL\t1[0-9]{9}\r\n$").match(ids).hasMatch(),
                 qPrintable(ids));

        const QByteArray later = post("TROLL", "荒7") + post("FFFF", "他4");
        dat += later;
        m_board->append(later);
        QVERIFY(m_board->reload());
        QTRY_COMPARE_WITH_TIMEOUT(posts(), shown + "|NG|他4", 10000);
        QCOMPARE(aired(4), QStringList({"他1", "他2", "他3", "他4"}));

        // Everyone's name is asked about first; Escape leaves the thread as it is.
        chooseFromMenu(part<ThreadView>(window(), "webMain")->focusProxy(), centreOfPost(3),
                       QStringLiteral("この名前をNG"));
        QMessageBox *box = nullptr;
        QTRY_VERIFY(box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()));
        QVERIFY(box->text().startsWith(QStringLiteral("「名無し」は6人が使っている名前です。")));
        QWidget *target = keyTarget(box);
        QVERIFY(target);
        QTest::keyClick(target, Qt::Key_Escape);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QVERIFY(!QFile::exists(m_board->env.home.file("ngname.txt")));
        QCOMPARE(posts(), shown + "|NG|他4");

        // A restart keeps the rule; NgIdHours later it is gone.
        QVERIFY(reopen(dat));
        QTRY_COMPARE_WITH_TIMEOUT(posts(), shown + "|NG|他4", 10000);
        const qint64 twoHoursAgo = QDateTime::currentSecsSinceEpoch() - 2 * 3600;
        QVERIFY(reopen(dat, [this, twoHoursAgo] {
            m_board->env.store.setValue(kOptionSection, "NgIdHours", "1");
            QVERIFY(WriteUtf8File(m_board->env.home.file("ngid.txt"),
                                  QStringLiteral("TROLL\t%1\r\n").arg(twoHoursAgo)));
        }));
        QTRY_COMPARE_WITH_TIMEOUT(posts(), "開始|二|他1|荒1|荒2|荒3|他2|荒4|荒5|荒6|他3|荒7|他4",
                                  10000);
    }

    // A name or pattern rule not applied to what waits, what is shown, what comes later or
    // after a restart; an invalid pattern added, a pathological one freezing the window or
    // going unreported.
    void nameAndPatternRules()
    {
        QByteArray dat = post("AAAA", "開始") + post("LONG", QString(50000, 'a') + "b");
        QVERIFY(m_board->open(dat));
        QByteArray news = post("N1", "名1", "荒らし太郎") + post("X1", "普通1") +
                          post("N2", "名2", "荒らし太郎") + post("P1", "宣伝です") +
                          post("X2", "普通2");
        dat += news;
        m_board->append(news);
        QVERIFY(m_board->reload());
        auto *list = part<QListWidget>(window(), "lstRes");
        QTRY_COMPARE(list->count(), 5);
        chooseFromMenu(list->viewport(), list->visualItemRect(list->item(0)).center(),
                       QStringLiteral("この名前をNG"));
        QTRY_COMPARE(status(), QStringLiteral("この名前をNGにしました（待機中の字幕から2件を"
                                              "取り除きました）"));
        QTRY_COMPARE_WITH_TIMEOUT(posts().section('|', 2), "NG|普通1|NG|宣伝です|普通2", 10000);

        QTest::mouseClick(part<QPushButton>(window(), "cmdNgSetting"), Qt::LeftButton);
        QWidget *dialog = part<QWidget>(window(), "frmNgSetting");
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        part<QLineEdit>(dialog, "txtNgPattern")->setFocus();
        // Typed as Japanese text arrives: committed by the input method.
        const auto type = [dialog](const QString &text) {
            QWidget *field = dialog->focusWidget();
            QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(field, Qt::Key_Delete);
            QInputMethodEvent commit;
            commit.setCommitString(text);
            QApplication::sendEvent(field, &commit);
            return part<QLabel>(dialog, "lblNgCheck")->text();
        };
        QCOMPARE(type("^宣伝"), QStringLiteral("1件に一致"));
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        QCOMPARE(status(), QStringLiteral("NGパターンを追加しました（待機中の字幕から1件を"
                                          "取り除きました）"));
        QTRY_COMPARE_WITH_TIMEOUT(posts().section('|', 2), "NG|普通1|NG|NG|普通2", 10000);

        const QString invalid =
            "パターンの3文字目が正しくありません（missing closing parenthesis）";
        QCOMPARE(type("(a"), invalid);
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        QCOMPARE(part<QLabel>(dialog, "lblNgMessage")->text(), invalid);
        QVERIFY(type("(a+)+$").startsWith(QStringLiteral("照合に時間がかかりすぎるパターンです")));
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        QVERIFY2(status().endsWith(QStringLiteral(
                     "NGパターン「(a+)+$」は照合に時間がかかりすぎるため止めました")),
                 qPrintable(status()));
        auto *patterns = part<QListWidget>(dialog, "lstNgPattern");
        QCOMPARE(patterns->count(), 2);
        QVERIFY(!patterns->item(1)->toolTip().isEmpty());

        // Later posts are NG as they arrive; a restart keeps both rules.
        news = post("N3", "名3", "荒らし太郎") + post("P2", "宣伝2") + post("X3", "普通3");
        dat += news;
        m_board->append(news);
        QVERIFY(m_board->reload());
        const QString shown = QStringLiteral("NG|普通1|NG|NG|普通2|NG|NG|普通3");
        QTRY_COMPARE_WITH_TIMEOUT(posts().section('|', 2), shown, 10000);
        QCOMPARE(aired(3), QStringList({"普通1", "普通2", "普通3"}));
        QVERIFY(reopen(dat));
        QTRY_COMPARE_WITH_TIMEOUT(posts().section('|', 2), shown, 10000);
    }

private:
    const std::unique_ptr<frmMain> &window() const { return m_board->window; }
    QString status() const { return panelText(window(), QStringLiteral("STATUS")); }
    QString posts()
    {
        return m_board
            ->evaluate("Array.from(document.querySelectorAll('.msg'),e=>e.textContent.trim())"
                       ".join('|')")
            .toString();
    }
    QPoint centreOfPost(int number)
    {
        const QVariantList xy =
            m_board
                ->evaluate(QStringLiteral("(function(){var r=document.querySelectorAll('.res')"
                                          "[%1].getBoundingClientRect();"
                                          "return [r.left+r.width/2,r.top+r.height/2];})()")
                               .arg(number - 1))
                .toList();
        return xy.size() == 2 ? QPoint(xy[0].toInt(), xy[1].toInt()) : QPoint();
    }
    // A right click at a point of a widget, as the window system delivers it, then a click on
    // the item of the menu that opens.
    void chooseFromMenu(QWidget *widget, const QPoint &at, const QString &item)
    {
        QVERIFY(QTest::qWaitForWindowExposed(window().get()));
        QTest::mouseMove(widget, at);
        QTest::mouseClick(window()->windowHandle(), Qt::RightButton, Qt::NoModifier,
                          widget->mapTo(window().get(), at));
        QMenu *menu = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT(menu = qobject_cast<QMenu *>(QApplication::activePopupWidget()),
                                 10000);
        QAction *chosen = nullptr;
        QStringList texts;
        for (QAction *a : menu->actions()) {
            chosen = a->text() == item ? a : chosen;
            texts << a->text();
        }
        m_menuTexts = texts.join('|');
        QVERIFY(chosen && chosen->isEnabled());
        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier,
                          menu->actionGeometry(chosen).center());
    }
    // The subtitle window opened: the first `count` texts it shows.
    QStringList aired(int count)
    {
        QStringList texts;
        QObject scope;
        connect(&maku(window()), &SubtitleWindowControl::drawn, &scope, [&] {
            const QString text = maku(window()).window()->lastLayout().text.trimmed();
            if (!text.isEmpty() && (texts.isEmpty() || texts.constLast() != text))
                texts << text;
        });
        part<QTimer>(window(), "tmrMaku")->setInterval(5);
        action(window(), QStringLiteral("mnuMakuView"))->trigger();
        // What came when the wait ran out is compared by the caller.
        (void)QTest::qWaitFor([&] { return texts.size() >= count && queue(window()).isEmpty(); },
                              20000);
        return texts;
    }
    // A restart; `between` changes the files while no window runs.
    bool reopen(const QByteArray &dat, const std::function<void()> &between = {})
    {
        window()->close();
        m_board->window.reset();
        if (between)
            between();
        return m_board->open(dat);
    }

    std::unique_ptr<LocalBoardWindow> m_board;
    QString m_menuTexts; // the items of the last menu chosen from
};

QTEST_MAIN(TestNgRoad)
#include "tst_ngroad.moc"
