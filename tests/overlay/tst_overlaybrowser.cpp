#include "chromium.h"
#include "game/catfeegame.h"
#include "overlay/overlayserver.h"
#include "platform/textfile.h"
#include "subtitle/frmtext.h"
#include "support/testhome.h"

#include <QTcpServer>
#include <QtTest>
#include <map>

namespace {

QRect boxOf(const QImage &image, const std::function<bool(QRgb)> &ink)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (ink(image.pixel(x, y)))
                box |= QRect(x, y, 1, 1);
    return box;
}

QRgb dominant(const QImage &image, const std::function<bool(QRgb)> &counted)
{
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (counted(image.pixel(x, y)))
                ++counts[image.pixel(x, y) | 0xFF000000];
    auto best = std::max_element(counts.begin(), counts.end(),
                                 [](const auto &a, const auto &b) { return a.second < b.second; });
    return best == counts.end() ? 0 : best->first;
}

bool coloured(QRgb p)
{
    return qAlpha(p) == 255 && (p & 0x00FFFFFF) != 0;
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
        QString error;
        QVERIFY2(m_browser.start(QSize(640, 480), &error), qPrintable(error));
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

        window.TextDraw(QStringLiteral("字幕の試験"), QStringLiteral("shita red big"), false,
                        QString(), QString(), QString());
        waitShown(2);
        const QImage page = m_browser.screenshot(QRect(0, 0, 640, 480));
        const QImage drawn = window.picture();
        // The window's drag mark has no place on a page.
        const QRect mark = window.lastLayout().dragMark;
        const QRect windowBox = boxOf(drawn.copy(mark.right() + 1, 0, 640, 480), [](QRgb p) {
                                    return (p & 0x00FFFFFF) != 0;
                                }).translated(mark.right() + 1, 0);
        const QRect pageBox = boxOf(page, [](QRgb p) { return qAlpha(p) > 0; });
        QVERIFY(!windowBox.isEmpty());
        QVERIFY2(windowBox.bottom() > 240, "shita puts the text in the lower half");
        const auto near = [](QPoint a, QPoint b) {
            return qAbs(a.x() - b.x()) <= 2 && qAbs(a.y() - b.y()) <= 2;
        };
        QVERIFY(near(pageBox.topLeft(), windowBox.topLeft()));
        QVERIFY(near(pageBox.bottomRight(), windowBox.bottomRight()));
        QCOMPARE(dominant(drawn, coloured), qRgb(255, 0, 0));
        QCOMPARE(dominant(page, coloured), qRgb(255, 0, 0));
        QCOMPARE(boxOf(page, [](QRgb p) { return qAlpha(p) > 0; }) &
                     windowBox.adjusted(-2, -2, 2, 2),
                 pageBox);

        window.TextDraw(QString(), QString(), false, QString(), QString(), QString());
        waitShown(3);
        QVERIFY(boxOf(m_browser.screenshot(QRect(0, 0, 640, 480)), [](QRgb p) {
                    return qAlpha(p) > 0;
                }).isEmpty());

        window.TextDraw(QStringLiteral("二つ目"), QString(), false, QString(), QString(),
                        QString());
        waitShown(4);
        // The program ends and comes back on the same port: the page finds it by itself.
        m_server.stop();
        QVERIFY(m_server.start(m_port, false, QString()));
        QTRY_VERIFY_WITH_TIMEOUT(shownCount() >= 5, 5000);
        QVERIFY(!boxOf(m_browser.screenshot(QRect(0, 0, 640, 480)), [](QRgb p) {
                     return qAlpha(p) > 0;
                 }).isEmpty());
        QCOMPARE(m_browser.evaluate("window.sameDocument").toInt(), 1);
    }

    void gamePagesFollowTheRound() // question or score page not updated during a round
    {
        QVERIFY(WriteTextFile(m_env.home.file(QStringLiteral("default.dat")), "りんご\r\n"));
        CatfeeGame game(m_env.program);
        game.LoadQuestion(PoolMode::BuiltInOnly, {});
        m_server.followGame(&game);
        m_browser.navigate(address("/question"));
        waitShown(1);
        QVERIFY(game.NextQuestion());
        while (game.clock() > 150)
            game.tick();
        QTRY_COMPARE_WITH_TIMEOUT(text("q"), QStringLiteral("？？？"), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(text("t"), QStringLiteral("150"), 5000);

        m_browser.navigate(address("/score"));
        waitShown(1);
        game.Hantei(QStringLiteral("りんご"), QStringLiteral("ID:abc"));
        QTRY_COMPARE_WITH_TIMEOUT(text("lines"), QStringLiteral("ID:abc [Score:  150]"), 5000);
        QCOMPARE(text("total"), QStringLiteral("Score: 150"));
    }

private:
    QString address(const char *path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
    }
    int shownCount()
    {
        return m_browser.evaluate("Number(document.body.dataset.shown || 0)").toInt();
    }
    void waitShown(int count) { QTRY_VERIFY_WITH_TIMEOUT(shownCount() >= count, 10000); }
    QString text(const char *id)
    {
        return m_browser
            .evaluate(QStringLiteral("document.getElementById('%1').textContent").arg(id))
            .toString();
    }

    TestProgram m_env;
    OverlayServer m_server;
    HeadlessChromium m_browser;
    quint16 m_port = 0;
};

QTEST_MAIN(TestOverlayBrowser)
#include "tst_overlaybrowser.moc"
