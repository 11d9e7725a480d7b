#include "chromium.h"
#include "game/catfeegame.h"
#include "overlay/overlayserver.h"
#include "platform/textfile.h"
#include "rendering/postpipeline.h"
#include "retrieval/threadstate.h"
#include "subtitle/frmtext.h"
#include "support/testhome.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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
    // subtitle, or staying dead after the program came back; the page showing the frame, the
    // drag mark or the name tag that the window shows.
    void subtitlePageFollowsTheWindow()
    {
        m_env.program.flags.DragPointView = true;
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
        // The window has its frame's edge and, at the top left, the drag mark and name tag.
        QImage drawn = window.picture();
        const QRect marks(0, 0, 120, 30);
        QVERIFY(drawn.pixel(0, drawn.height() / 2) & 0xFFFFFF && drawn.pixel(42, 9) & 0xFFFFFF);
        bool nameTag = false; // white letters
        for (int y = 0; y < marks.height(); ++y)
            for (int x = 0; x < marks.width(); ++x)
                nameTag = nameTag || drawn.pixel(x, y) == qRgb(255, 255, 255);
        QVERIFY(nameTag);
        QPainter painter(&drawn);
        painter.fillRect(marks, Qt::black);
        painter.setPen(Qt::black);
        painter.drawRect(drawn.rect().adjusted(0, 0, -1, -1));
        painter.end();
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

    // Posts through the real pipeline on the flow page: not flowing in from the right edge,
    // command words not honoured, markup taking effect, standing ones moving or staying.
    void flowPageShowsPosts()
    {
        m_env.program.opt.FlowSeconds = 60; // slow, so a late first look still finds it right
        openFlow();
        m_pipeline->SetLog({post("sage", "流れる<br>二行"), post("red big", "赤い"),
                            post("ue", "上"), post("shita", "下"),
                            post("", "&lt;b&gt;x&lt;/b&gt; &#128512;")},
                           "<>");
        waitShown(2);
        const QJsonObject first = comments();
        QCOMPARE(first.size(), 5);
        const QJsonObject plain = first["流れる\n二行"].toObject(), big = first["赤い"].toObject();
        QVERIFY(plain["x"].toDouble() > 480);
        QCOMPARE(big["c"].toString(), "rgb(255, 0, 0)");
        QVERIFY(big["f"].toDouble() > plain["f"].toDouble());
        QCOMPARE(first["<b>x</b> 😀"].toObject()["tags"].toInt(-1), 0);
        const QJsonObject ue = first["上"].toObject(), shita = first["下"].toObject();
        const auto near = [](double a, double b) { return qAbs(a - b) < 1; };
        QVERIFY(near(ue["y"].toDouble(), 0));
        QVERIFY(near(shita["y"].toDouble() + shita["h"].toDouble(), 480));
        QVERIFY(near(ue["x"].toDouble() * 2 + ue["w"].toDouble(), 640)); // centred
        QTRY_VERIFY_WITH_TIMEOUT(comments()["流れる\n二行"].toObject()["x"].toDouble() <
                                     plain["x"].toDouble() - 10,
                                 10000);
        const QJsonObject later = comments();
        if (later.contains("上")) // standing still while there
            QCOMPARE(later["上"].toObject(), ue);
        QTRY_VERIFY_WITH_TIMEOUT(!comments().contains("上") && !comments().contains("下"), 10000);
    }

    // 30 posts at once: two sharing a lane while another is free, a lane skipped, more than
    // FlowMax on the page.
    void flowPageFillsLanes()
    {
        m_env.program.opt.FlowMax = 20;
        openFlow();
        QStringList lines;
        for (int i = 0; i < 30; ++i)
            lines << post("sage", QStringLiteral("コメント%1").arg(QString(i % 7, 'w')));
        m_pipeline->SetLog(lines, "<>");
        waitShown(2);
        const QJsonArray shown =
            QJsonDocument::fromJson(m_browser.evaluate("JSON.stringify(rects())").toByteArray())
                .array();
        QCOMPARE(shown.size(), 20);
        // A 480-high page has 12 lanes of 38.4 px, filled from the top.
        for (int i = 0; i < 12; ++i) {
            const QRectF r = rectOf(shown[i]);
            QVERIFY(qAbs(shown[i]["y"].toDouble() - i * 38.4) < 0.5);
            for (int j = 0; j < i; ++j)
                QVERIFY(!r.intersects(rectOf(shown[j])));
        }
    }

private:
    void openFlow()
    {
        m_pipeline = std::make_unique<PostPipeline>(m_env.program, m_thread);
        m_thread.LiveMode = true;
        m_server.followPosts(*m_pipeline, m_env.program.opt);
        m_browser.navigate(address("/flow?w=640&h=480"));
        waitShown(1);
        m_browser.evaluate(
            "function rects() { return [...document.querySelectorAll('#f > div')].map((e) => {"
            " const r = e.getBoundingClientRect(), s = getComputedStyle(e);"
            " return {t: e.textContent, x: r.x, y: r.y, w: r.width, h: r.height, c: s.color,"
            " f: parseFloat(s.fontSize), tags: e.childElementCount}; }); }");
    }
    static QString post(const QString &mail, const QString &message)
    {
        return "名無し<>" + mail + "<>2024/01/01 ID:abc<>" + message + "<>";
    }
    // The flow page's comments by their text.
    QJsonObject comments()
    {
        QJsonObject byText;
        const QByteArray json = m_browser.evaluate("JSON.stringify(rects())").toByteArray();
        for (const QJsonValue v : QJsonDocument::fromJson(json).array())
            byText[v["t"].toString()] = v;
        return byText;
    }
    // Less half a pixel all round: neighbours in adjacent lanes touch.
    static QRectF rectOf(const QJsonValue &v)
    {
        return QRectF(v["x"].toDouble(), v["y"].toDouble(), v["w"].toDouble(), v["h"].toDouble())
            .adjusted(0.5, 0.5, -0.5, -0.5);
    }
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
    ThreadState m_thread;
    std::unique_ptr<PostPipeline> m_pipeline;
    OverlayServer m_server;
    HeadlessChromium m_browser;
    quint16 m_port = 0;
};

QTEST_MAIN(TestOverlayBrowser)
#include "tst_overlaybrowser.moc"
