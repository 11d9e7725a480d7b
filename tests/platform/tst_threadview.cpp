#include "platform/threadview.h"

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

} // namespace

class TestThreadView : public QObject
{
    Q_OBJECT
private slots:
    void writesAndScrolls() // writes lost, reordered or mangled, a post's script run
    {
        ThreadView view;
        view.resize(300, 200);
        view.show();
        view.Navigate(QStringLiteral("about:blank"));
        view.Open();
        view.SetCharset(QStringLiteral("Shift_JIS"));
        // As a chunk of posts arrives: a scroll after every write (the road test checks the end).
        for (int i = 1; i <= 100; ++i) {
            view.Write(QStringLiteral("<p class=r>%1 \"実況\" '\\' </p>").arg(i));
            view.ScrollToBottom();
        }
        QCOMPARE(evaluate(view, QStringLiteral("document.querySelectorAll('p.r').length")).toInt(),
                 100);
        QCOMPARE(evaluate(view, QStringLiteral("document.querySelectorAll('p.r')[99].textContent"))
                     .toString(),
                 QStringLiteral("100 \"実況\" '\\' "));

        // A post's script: inline, or a handler of an image that fails.
        view.Write(QStringLiteral("<script>document.title='ran'</script>"
                                  "<img src=x onerror=\"document.title='ran'\">"
                                  "<noscript><p class=off>x</p></noscript>"));
        // Parsed as markup only where scripting is off for the page: no handler can run there.
        QCOMPARE(
            evaluate(view, QStringLiteral("document.querySelectorAll('p.off').length")).toInt(), 1);
        QCOMPARE(evaluate(view, QStringLiteral("document.title")).toString(), QString());
    }
};

QTEST_MAIN(TestThreadView)
#include "tst_threadview.moc"
