#include "platform/threadview.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

QVariant evaluate(ThreadView &view, const QString &script)
{
    QVariant result;
    bool done = false;
    view.evaluate(script, [&](const QVariant &v) {
        result = v;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 10000))
        return QStringLiteral("<timeout>");
    return result;
}

// Shows the view with a fresh document open for writing.
void openDocument(ThreadView &view)
{
    view.resize(300, 200);
    view.show();
    view.Navigate(QStringLiteral("about:blank"));
    view.Open();
}

const QString kBigLink = QStringLiteral("style=\"display:block;width:300px;height:200px\"");

} // namespace

class TestThreadView : public QObject
{
    Q_OBJECT
private slots:
    void writesAppendScrollAndSelect() // writes lost or reordered, end not followed
    {
        ThreadView view;
        openDocument(view);
        view.SetCharset(QStringLiteral("Shift_JIS"));
        // As a chunk of posts arrives: a scroll after every write.
        for (int i = 1; i <= 100; ++i) {
            view.Write(QStringLiteral("<p class=r>%1 \"実況\" '\\' </p>").arg(i));
            view.ScrollToBottom();
        }
        QCOMPARE(evaluate(view, QStringLiteral("document.querySelectorAll('p.r').length")).toInt(),
                 100);
        QCOMPARE(evaluate(view, QStringLiteral("document.querySelectorAll('p.r')[99].textContent"))
                     .toString(),
                 QStringLiteral("100 \"実況\" '\\' "));
        const QString bottomGap =
            QStringLiteral("(function(){var e=document.scrollingElement||document.body;"
                           "return e.scrollHeight-e.clientHeight-e.scrollTop;})()");
        QCOMPARE(evaluate(view, bottomGap).toInt(), 0);
        evaluate(view, QStringLiteral("getSelection().selectAllChildren(document.body)"));
        QTRY_VERIFY_WITH_TIMEOUT(view.SelectionText().contains(QStringLiteral("100 ")), 10000);
        QVERIFY(view.SelectionText().startsWith(QStringLiteral("1 \"実況\"")));
        // Restarting the document drops what was there.
        view.Navigate(QStringLiteral("about:blank"));
        view.Open();
        view.Write(QStringLiteral("<p class=r>again</p>"));
        QCOMPARE(evaluate(view, QStringLiteral("document.querySelectorAll('p.r').length")).toInt(),
                 1);
    }

    void pageScriptsNeverRun() // a post's script runs in the view
    {
        ThreadView view;
        openDocument(view);
        view.Write(QStringLiteral("<script>document.title='ran'</script>"
                                  "<img src=x onerror=\"document.title='ran'\"><p>x</p>"));
        evaluate(view, QStringLiteral("1"));
        QTest::qWait(200); // an onerror handler would have run by now
        QCOMPARE(evaluate(view, QStringLiteral("document.title")).toString(), QString());
    }

    void navigationCanBeCancelled() // a clicked link leaves the thread regardless
    {
        ThreadView view;
        QStringList asked;
        view.setNavigationHandler([&](const QString &target) {
            asked << target;
            return target == QLatin1String("about:blank");
        });
        openDocument(view);
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.Write(QStringLiteral("<a href=\"http://example.invalid/x.jpg\" ") + kBigLink +
                   QStringLiteral(">link</a>"));
        QCOMPARE(evaluate(view, QStringLiteral("document.links.length")).toInt(), 1);
        QTest::mouseClick(view.focusProxy(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
        QTRY_VERIFY_WITH_TIMEOUT(asked.contains(QStringLiteral("http://example.invalid/x.jpg")),
                                 10000);
        QCOMPARE(evaluate(view, QStringLiteral("document.links.length")).toInt(), 1);
    }

    void hoveredLinkBecomesStatusText() // hover not reported, scheme not lower case
    {
        ThreadView view;
        QSignalSpy spy(&view, &ThreadView::StatusTextChange);
        openDocument(view);
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.Write(QStringLiteral("<a href=\"ID:ab%2fcd\" ") + kBigLink +
                   QStringLiteral(">ID:</a>"));
        QCOMPARE(evaluate(view, QStringLiteral("document.links.length")).toInt(), 1);
        QString text;
        for (int attempt = 0; attempt < 20 && !text.startsWith(QStringLiteral("id:")); ++attempt) {
            QTest::mouseMove(view.focusProxy(), QPoint(40 + attempt, 40));
            spy.wait(500);
            for (const auto &args : std::as_const(spy))
                text = args.at(0).toString().isEmpty() ? text : args.at(0).toString();
        }
        // The scheme in lower case, which the pop-up rules rely on, and the escape as written.
        QCOMPARE(text, QStringLiteral("id:ab%2fcd"));
    }
};

QTEST_MAIN(TestThreadView)
#include "tst_threadview.moc"
