#include "chromium.h"
#include "game/catfeegame.h"
#include "overlay/overlayserver.h"
#include "platform/textfile.h"
#include "subtitle/frmtext.h"
#include "support/testhome.h"

#include <QPainter>
#include <QTcpServer>
#include <QtTest>

namespace {

// Where an image is drawn on (pixels not transparent, or with `keyed` not black), and the
// commonest opaque colour there that is not black.
std::pair<QRect, QRgb> inkOf(const QImage &image, bool keyed = false)
{
    QRect box;
    QRgb colour = 0;
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            box |= (keyed ? p & 0xFFFFFF : qAlpha(p)) ? QRect(x, y, 1, 1) : QRect();
            if (qAlpha(p) == 255 && (p & 0xFFFFFF) && ++counts[p] > counts[colour])
                colour = p;
        }
    }
    return {box, colour};
}

} // namespace

class TestOverlayBrowser : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (HeadlessChromium::executable().isEmpty())
            QSKIP("chromium is not installed (Debian package chromium)");
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        m_port = probe.serverPort();
        probe.close();
        QVERIFY(m_server.start(m_port, false, QString()));
        QVERIFY(m_browser.start(QSize(640, 480)));
    }

    // The page not matching the window's picture, not clearing, needing a reload for the next
    // subtitle, or staying dead after the program came back.
    void subtitlePageFollowsTheWindow()
    {
        m_env.program.opt.WakuView = 1; // no frame: the box is the letters' own
        frmText window(m_env.program, nullptr);
        connect(&window, &frmText::drawn, &m_server, [&] {
            const QRect area = window.lastChange();
            m_server.drawSubtitle(window.picture().size(), area.topLeft(),
                                  window.overlayPicture(area));
        });
        m_browser.navigate(address("/subtitle"));
        waitShown(1);
        m_browser.evaluate("window.sameDocument = 1");

        window.TextDraw(MakuEntry::freeText("二つ目"));
        waitShown(2);
        window.TextDraw(MakuEntry::freeText("字幕の試験", "shita red big"));
        waitShown(3);
        // The program ends and comes back on the same port: the page finds it by itself and
        // gets the picture as it stands, composed of every part.
        m_server.stop();
        QVERIFY(m_server.start(m_port, false, QString()));
        QTRY_VERIFY_WITH_TIMEOUT(shownCount() >= 4, 5000);
        QCOMPARE(m_browser.evaluate("window.sameDocument").toInt(), 1);
        QImage drawn = window.picture();
        QPainter(&drawn).fillRect(window.lastLayout().dragMark, Qt::black); // not on a page
        const auto [want, wantColour] = inkOf(drawn, true);
        const auto [got, gotColour] = inkOf(m_browser.screenshot());
        QVERIFY2(want.adjusted(-2, -2, 2, 2).contains(got) &&
                     got.adjusted(-2, -2, 2, 2).contains(want),
                 "the same place and size within 2 px");
        QCOMPARE(wantColour, qRgb(255, 0, 0));
        QCOMPARE(gotColour, qRgb(255, 0, 0));

        window.TextDraw(MakuEntry());
        waitShown(5);
        QVERIFY(inkOf(m_browser.screenshot()).first.isEmpty());
    }

    void gamePagesFollowTheRound() // question or score page not updated during a round
    {
        QVERIFY(WriteTextFile(m_env.home.file("default.dat"), "りんご\r\n"));
        CatfeeGame game(m_env.program);
        game.LoadQuestion(PoolMode::BuiltInOnly, {});
        m_server.followGame(&game);
        m_browser.navigate(address("/question"));
        waitShown(1);
        QVERIFY(game.NextQuestion());
        while (game.clock() > 150)
            game.tick();
        QTRY_COMPARE_WITH_TIMEOUT(text("q"), "？？？", 5000);
        QTRY_COMPARE_WITH_TIMEOUT(text("t"), "150", 5000);

        m_browser.navigate(address("/score"));
        waitShown(1);
        game.Hantei("りんご", "ID:abc");
        QTRY_COMPARE_WITH_TIMEOUT(text("lines"), "ID:abc [Score:  150]", 5000);
        QCOMPARE(text("total"), "Score: 150");
    }

private:
    QString address(const char *path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
    }
    int shownCount() { return m_browser.evaluate("+(document.body.dataset.shown || 0)").toInt(); }
    void waitShown(int count) { QTRY_VERIFY_WITH_TIMEOUT(shownCount() >= count, 10000); }
    QString text(const char *id)
    {
        return m_browser.evaluate(QString("document.getElementById('%1').textContent").arg(id))
            .toString();
    }

    TestProgram m_env;
    OverlayServer m_server;
    HeadlessChromium m_browser;
    quint16 m_port = 0;
};

QTEST_MAIN(TestOverlayBrowser)
#include "tst_overlaybrowser.moc"
