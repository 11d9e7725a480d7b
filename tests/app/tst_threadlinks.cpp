#include "localboardwindow.h"
#include "rendering/frmpicture.h"
#include "rendering/links.h"
#include "subtitle/frmtext.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFrame>
#include <QWebEngineView>

using namespace MainWindowParts;

namespace {

const QString kRental =
    QStringLiteral("https://jbbs.shitaraba.net/bbs/read.cgi/demo/1/1700000000/");
const QString kCentral = QStringLiteral("https://hayabusa9.5ch.net/test/read.cgi/livejupiter/1/");

QByteArray png(Qt::GlobalColor colour)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Stands in for the desktop: what OpenExternal hands over arrives here.
class DesktopSeam : public QObject
{
    Q_OBJECT
public:
    QStringList opened;
    Q_INVOKABLE void open(const QUrl &url) { opened << url.toString(); }
};

} // namespace

// Links of a thread from the local board in the real main window: pop-ups on hover, clicks.
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
        server.setPicture(QStringLiteral("/img/red.png"), png(Qt::red));
        server.setPicture(QStringLiteral("/img/blue.png"), png(Qt::blue));
        server.setPicture(QStringLiteral("/img/page.html?.jpg"),
                          "<title>page</title><script>document.title='ran'</script>");
        const QString links =
            "<a id=rental href=\"%1\">R</a> <a id=central href=\"%2\">C</a> <a id=file "
            "href=\"file:///etc/hostname\">f</a> <a id=js href=\"javascript:alert(1)\">j</a>";
        QVERIFY(m_board->open(
            datLine("AAAA1111", "最初のレス") +
            datLine("BB", "<a href=\"../test/read.cgi/live/1234567890/1\">&gt;&gt;1</a> そうだね") +
            datLine("ab/cd",
                    img + "red.png <br> " + img + "blue.png <br> http://example.invalid/p <br> " +
                        img + "page.html?.jpg",
                    "sage") +
            datLine("ab/cd", links.arg(kRental, kCentral))));
        // Away from the top left corner, where other tests' windows tend to open.
        window()->setGeometry(560, 260, 700, 700);
        QVERIFY(QTest::qWaitForWindowExposed(window().get()));
        m_view = webMain(window());
    }

    void cleanup() { m_board.reset(); }

    void anchorAndIdPopups() // no pop-up, or one that cannot be read or copied
    {
        auto *panel = window()->findChild<QFrame *>(QStringLiteral("picPopup"));
        auto *label = window()->findChild<QLabel *>(QStringLiteral("lblPopup"));
        const QPoint anchor = centreOf(QStringLiteral(".msg a"));
        const auto shown = [panel] { return panel->isVisible(); };
        const auto hidden = [panel] { return !panel->isVisible(); };
        QVERIFY(hoverUntil(anchor, shown));
        QCOMPARE(label->text(), QStringLiteral("1 名無し 2026/12/06(日) 21:00:00.00 ID:AAAA1111"
                                               "\r\n     最初のレス "));
        // Inside the main window's inner area, above the pointer.
        QVERIFY(panel->parentWidget()->rect().contains(panel->geometry()));
        QVERIFY(panel->mapToGlobal(QPoint(0, panel->height())).y() <
                m_view->focusProxy()->mapToGlobal(anchor).y());
        // Off the link within the page, then off the view (to the side pane).
        QVERIFY(hoverUntil(centreOf(QStringLiteral(".num")), hidden));
        QVERIFY(hoverUntil(anchor, shown));
        QWidget *pane = list(window(), "lstRes");
        QCursor::setPos(pane->mapToGlobal(QPoint(5, 5)));
        QTest::mouseMove(pane, QPoint(5, 5));
        QTRY_VERIFY_WITH_TIMEOUT(hidden(), 10000);

        // The ID link of post 3 shows posts 3 and 4, both of "ab/cd".
        QVERIFY(hoverUntil(centreOf(QStringLiteral(".res:nth-child(4) .date a")), shown));
        QVERIFY2(label->text().startsWith(
                     QStringLiteral("3 名無し [sage] 2026/12/06(日) 21:00:00.00 ID:ab/cd\r\n")),
                 qPrintable(label->text()));
        QVERIFY(label->text().contains(QStringLiteral("\r\n4 名無し [] ")));

        // Readable on the default skin's pale page: a light panel with a dark border.
        const QImage look = panel->grab().toImage();
        QCOMPARE(look.pixelColor(look.width() - 3, look.height() - 3), QColor(0xff, 0xff, 0xf0));
        QCOMPARE(look.pixelColor(0, look.height() / 2), QColor(0x5a, 0x5a, 0x5a));

        // The pointer can go onto the panel; a drag there selects text, which Ctrl+C copies.
        const QPoint start(8, 8);
        QCursor::setPos(label->mapToGlobal(start));
        QTest::mouseMove(label, start);
        QTest::mousePress(label, Qt::LeftButton, Qt::NoModifier, start);
        QTest::mouseMove(label, start + QPoint(60, 0));
        QTest::mouseRelease(label, Qt::LeftButton, Qt::NoModifier, start + QPoint(60, 0));
        QVERIFY(label->hasSelectedText());
        QVERIFY(panel->isVisible());
        QTest::keyClick(label, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), label->selectedText());
        // A click on the text hides it.
        QTest::mouseClick(label, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QVERIFY(!panel->isVisible());
    }

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
            4);

        // A rental thread over https loads here (its host leads nowhere in this test).
        BoardSocket::setHostOverride(QStringLiteral("jbbs.shitaraba.net"),
                                     QStringLiteral("127.0.0.1"), 9);
        click(QStringLiteral("#rental"));
        QTRY_COMPARE_WITH_TIMEOUT(MainWindowParts::thread(window()).CurrentUrl, kRental, 10000);
        QCOMPARE(window()->addressText(), kRental);
    }

    // A new viewer per picture, away from the subtitle window, or a page's script run.
    void picturesOpenOverSubtitleWindow()
    {
        // With the subtitle window closed the viewer first opens 480×360 over the main window.
        click(QStringLiteral("a[href$=\"blue.png\"]"));
        QTRY_VERIFY_WITH_TIMEOUT(window()->findChild<frmPicture *>(), 10000);
        auto *viewer = window()->findChild<frmPicture *>();
        QCOMPARE(viewer->size(), QSize(480, 360));
        QCOMPARE(viewer->geometry().center(), window()->geometry().center());

        action(window(), QStringLiteral("mnuMakuView"))->trigger();
        frmText *subtitle = maku(window()).window();
        QVERIFY(QTest::qWaitForWindowExposed(subtitle));
        auto *web = viewer->findChild<QWebEngineView *>(QStringLiteral("webPicture"));
        for (const auto &[name, colour] : {std::pair{"red", QColor(Qt::red)}, {"blue", Qt::blue}}) {
            const QString url = m_board->server.origin() + QStringLiteral("/img/%1.png").arg(name);
            click(QStringLiteral("a[href=\"%1\"]").arg(url));
            QTRY_COMPARE_WITH_TIMEOUT(web->url().toString(), url, 10000);
            QCOMPARE(window()->findChildren<frmPicture *>(), QList<frmPicture *>{viewer});
            QVERIFY(viewer->isVisible());
            QCOMPARE(viewer->geometry(), subtitle->geometry());
            QCOMPARE(web->geometry(), viewer->rect());
            // The view shows the picture alone, in its middle.
            QTRY_COMPARE_WITH_TIMEOUT(web->grab().toImage().pixelColor(web->rect().center()),
                                      colour, 10000);
        }
        // A page posing as a picture is shown without running its scripts.
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
    // The real pointer moves (the panel is placed by it), and the view sees the move. On a
    // display shared with other tests a window of theirs may catch the real pointer for a
    // moment; the move is repeated until it had its effect.
    bool hoverUntil(QPoint point, const std::function<bool()> &done)
    {
        for (int attempt = 0; attempt < 20; ++attempt) {
            const QPoint at = point + QPoint(attempt % 3, 0);
            QCursor::setPos(m_view->focusProxy()->mapToGlobal(at));
            QTest::mouseMove(m_view->focusProxy(), at);
            if (QTest::qWaitFor(done, 500))
                return true;
        }
        return false;
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
