#include "localboardwindow.h"
#include "rendering/frmpicture.h"
#include "rendering/links.h"

#include <QDesktopServices>
#include <QWebEngineView>

using namespace MainWindowParts;

namespace {

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

// Links of a thread from the local board in the real main window: what a click does.
class TestThreadLinks : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        for (const char *scheme : {"http", "https", "mailto"})
            QDesktopServices::setUrlHandler(QLatin1String(scheme), &m_desktop, "open");
        m_desktop.opened.clear();
        m_board = std::make_unique<LocalBoardWindow>();
        BoardServer &server = m_board->server;
        QVERIFY(server.listen());
        const QString img = server.origin() + QStringLiteral("/img/");
        // The viewer's address is what counts, not the picture.
        server.setPicture(QStringLiteral("/img/red.png"), "red");
        server.setPicture(QStringLiteral("/img/blue.png"), "blue");
        server.setPicture(QStringLiteral("/img/page.html?.jpg"),
                          "<title>page</title><script>document.title='ran'</script>");
        const QString links =
            "<a id=rental href=\"%1\">R</a> <a id=central href=\"%2\">C</a> <a id=file "
            "href=\"file:///etc/hostname\">f</a> <a id=js href=\"javascript:alert(1)\">j</a>";
        QVERIFY(m_board->open(datLine("AAAA1111", "最初のレス") +
                              datLine("ab/cd",
                                      img + "red.png <br> " + img +
                                          "blue.png <br> http://example.invalid/p <br> " + img +
                                          "page.html?.jpg",
                                      "sage") +
                              datLine("ab/cd", links.arg(kRental, kCentral))));
        QVERIFY(QTest::qWaitForWindowExposed(window().get()));
        m_view = part<ThreadView>(window(), QStringLiteral("webMain"));
    }

    void cleanup() { m_board.reset(); }

    // A click that replaces the thread, or hands a local file or script to the desktop.
    void clicksFollowTheRules()
    {
        const QString address = MainWindowParts::thread(window()).CurrentUrl;
        click(QStringLiteral(".name a"));
        QTRY_COMPARE_WITH_TIMEOUT(m_desktop.opened, QStringList{QStringLiteral("mailto:sage")},
                                  10000);
        click(QStringLiteral("a[href=\"http://example.invalid/p\"]"));
        QTRY_COMPARE_WITH_TIMEOUT(m_desktop.opened.size(), 2, 10000);
        QCOMPARE(m_desktop.opened.last(), QStringLiteral("http://example.invalid/p"));
        // The ID link too: followed, it would have replaced the whole document.
        for (const char *refused : {"#file", "#js", ".date a"}) {
            window()->SetStatus(QString());
            click(QLatin1String(refused));
            QTRY_COMPARE_WITH_TIMEOUT(status(), Links::RefusedSchemeText(), 10000);
        }
        // The central service: refused here, handed to the browser.
        click(QStringLiteral("#central"));
        QTRY_COMPARE_WITH_TIMEOUT(status(), Links::RefusedBoardText(), 10000);
        QCOMPARE(m_desktop.opened,
                 QStringList({"mailto:sage", "http://example.invalid/p", kCentral}));
        QCOMPARE(MainWindowParts::thread(window()).CurrentUrl, address);
        QCOMPARE(
            m_board->evaluate(QStringLiteral("document.querySelectorAll('.res').length")).toInt(),
            3);

        // A rental thread over https loads here (its host leads nowhere in this test).
        BoardSocket::setHostOverride(QStringLiteral("jbbs.shitaraba.net"),
                                     QStringLiteral("127.0.0.1"), 9);
        click(QStringLiteral("#rental"));
        QTRY_COMPARE_WITH_TIMEOUT(MainWindowParts::thread(window()).CurrentUrl, kRental, 10000);
        QCOMPARE(window()->addressText(), kRental);
    }

    // A new viewer per picture, or a page posing as a picture running its script.
    void picturesShareOneViewer()
    {
        QWebEngineView *web = nullptr;
        for (const char *name : {"red", "blue"}) {
            const QString url = m_board->server.origin() + QStringLiteral("/img/%1.png").arg(name);
            click(QStringLiteral("a[href=\"%1\"]").arg(url));
            QTRY_COMPARE_WITH_TIMEOUT(window()->findChildren<frmPicture *>().size(), 1, 10000);
            web = window()->findChild<QWebEngineView *>(QStringLiteral("webPicture"));
            QTRY_COMPARE_WITH_TIMEOUT(web->url().toString(), url, 10000);
        }
        QSignalSpy loaded(web, &QWebEngineView::loadFinished);
        click(QStringLiteral("a[href$=\"page.html?.jpg\"]"));
        QVERIFY(loaded.wait(10000));
        QCOMPARE(web->title(), QStringLiteral("page"));
    }

private:
    const std::unique_ptr<frmMain> &window() const { return m_board->window; }
    QString status() const { return panelText(window(), QStringLiteral("STATUS")); }
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
    void click(const QString &selector)
    {
        const QPoint point = centreOf(selector);
        QTest::mouseMove(m_view->focusProxy(), point);
        QTest::mouseClick(m_view->focusProxy(), Qt::LeftButton, Qt::NoModifier, point);
    }

    DesktopSeam m_desktop;
    std::unique_ptr<LocalBoardWindow> m_board;
    ThreadView *m_view = nullptr;
};

QTEST_MAIN(TestThreadLinks)
#include "tst_threadlinks.moc"
