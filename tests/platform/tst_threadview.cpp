#include "platform/threadview.h"

#include <QImage>
#include <QTcpServer>
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
    void initTestCase() { ComposeThreadViewsInSoftware(); } // as the program starts

    // Writes lost, reordered or mangled, a post's script run, a page that never reaches the view.
    void writesAndScrolls()
    {
        ThreadView view;
        view.resize(300, 200);
        view.show();
        view.Start(QDir::tempPath());
        view.Open();
        view.SetCharset(QStringLiteral("Shift_JIS"));
        view.Write(QStringLiteral("<body bgcolor=\"#ff0000\">"));
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
        // Right of the posts' text the page's own colour shows.
        QTRY_COMPARE_WITH_TIMEOUT(view.grab().toImage().pixel(200, 100), qRgb(255, 0, 0), 20000);

        // A post's script: inline, or a handler of an image that fails.
        view.Write(QStringLiteral("<script>document.title='ran'</script>"
                                  "<img src=x onerror=\"document.title='ran'\">"
                                  "<noscript><p class=off>x</p></noscript>"));
        // Parsed as markup only where scripting is off for the page: no handler can run there.
        QCOMPARE(
            evaluate(view, QStringLiteral("document.querySelectorAll('p.off').length")).toInt(), 1);
        QCOMPARE(evaluate(view, QStringLiteral("document.title")).toString(), QString());
    }

    // What a post slipped in reaching a server or re-basing the page; the skin's own files lost.
    void onlyTheDataFolderIsReached()
    {
        QTemporaryDir dir;
        QImage picture(4, 4, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QFile sheet(dir.filePath(QStringLiteral("skin.css")));
        QVERIFY(picture.save(dir.filePath(QStringLiteral("pic.png"))) &&
                sheet.open(QIODevice::WriteOnly) && sheet.write("body{color:rgb(1,2,3)}") > 0);
        sheet.close();
        QTcpServer spy;
        QVERIFY(spy.listen(QHostAddress::LocalHost));
        const QString at = QStringLiteral("http://127.0.0.1:%1/").arg(spy.serverPort());
        ThreadView view;
        view.Start(dir.path());
        view.Open();
        view.Write("<link rel=stylesheet href=skin.css><img id=own src=pic.png><img src=" + at +
                   "a.png><link rel=stylesheet href=" + at + "b.css><base href=" + at + ">");
        QTRY_COMPARE_WITH_TIMEOUT(
            evaluate(view, QStringLiteral("document.getElementById('own').naturalWidth")).toInt(),
            4, 10000);
        QCOMPARE(evaluate(view, QStringLiteral("getComputedStyle(document.body).color+' '+"
                                               "document.baseURI"))
                     .toString(),
                 "rgb(1, 2, 3) " + QUrl::fromLocalFile(dir.path() + "/").toString());
        QVERIFY(!spy.hasPendingConnections());
    }
};

QTEST_MAIN(TestThreadView)
#include "tst_threadview.moc"
