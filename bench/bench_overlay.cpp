// From TextDraw to the new picture shown by the browser-source page in headless chromium
// (needs a display for the subtitle window: run under xvfb-run -a):
//
//   bench_overlay        21 subtitles at 640x480 and at 1920x1080, median, best and worst
//   bench_overlay flow   the flow page at 1280x720: 21 posts from receipt to their first frame,
//                        then the frame times with 60 comments on the page
//
// The page reports each picture from the frame after it loaded it (requestAnimationFrame after
// the image's load event), through a DevTools binding; the time runs from the call of TextDraw.

#include "chromium.h"
#include "overlay/overlayserver.h"
#include "rendering/postpipeline.h"
#include "retrieval/threadstate.h"
#include "settings/program.h"
#include "subtitle/frmtext.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpServer>
#include <algorithm>
#include <cstdio>

namespace {

struct Figures
{
    double median, best, worst;
};

Figures figures(QVector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.front(), v.back()};
}

// Posts through the pipeline, as the loader hands them over, to the flow page.
int flowBench(OverlayServer &server, quint16 port)
{
    HeadlessChromium browser;
    if (!browser.start(QSize(1280, 720))) {
        std::fprintf(stderr, "chromium did not start\n");
        return 1;
    }
    browser.call("Runtime.addBinding", {{"name", "overlayShown"}});
    Program program;
    program.opt.FlowSeconds = 20; // the 60 comments stay on the page while the frames are timed
    ThreadState state;
    state.LiveMode = true;
    PostPipeline pipeline(program, state);
    server.followPosts(pipeline, program.opt);
    auto waitShown = [&](int count) {
        return browser.waitFor([&] { return browser.bindingCalls() >= count; }, 5000);
    };
    browser.navigate(QStringLiteral("http://127.0.0.1:%1/flow").arg(port));
    if (!waitShown(1)) {
        std::fprintf(stderr, "the page did not show\n");
        return 1;
    }
    const QString texts[] = {QStringLiteral("実況のレスが字幕になって流れます www"),
                             QStringLiteral("ここで決めてくれ！！ がんばれー"),
                             QStringLiteral("今の見た？ 88888888")};
    const QString mails[] = {QStringLiteral("sage"), QStringLiteral("red big"),
                             QStringLiteral("shita")};
    const auto line = [&](int i) {
        return QStringLiteral("名無し<>%1<>2024/01/01 ID:abc<>%2<>")
            .arg(mails[i % 3], texts[i % 3]);
    };
    QVector<double> receipt;
    QElapsedTimer clock;
    for (int i = 0; i < 22; ++i) {
        const int before = browser.bindingCalls();
        clock.start();
        pipeline.SetLog({line(i)}, QStringLiteral("<>"));
        if (!waitShown(before + 1)) {
            std::fprintf(stderr, "a comment did not arrive\n");
            return 1;
        }
        if (i > 0) // the first warms the page up
            receipt << clock.nsecsElapsed() / 1e6;
    }
    std::printf("| measurement | median | best | worst |\n|---|---|---|---|\n");
    const Figures r = figures(receipt);
    std::printf("| receipt to first frame, 21 posts | %.1f ms | %.1f ms | %.1f ms |\n", r.median,
                r.best, r.worst);

    // A fresh page, empty and then with 60 flowing comments from one load: 300 frames each.
    browser.navigate(QStringLiteral("http://127.0.0.1:%1/flow").arg(port));
    if (!waitShown(browser.bindingCalls() + 1))
        return 1;
    browser.call("Performance.enable");
    // The page's own work (script, style, layout, paint) in the renderer's main thread.
    const auto taskSeconds = [&] {
        for (const QJsonValue m : browser.call("Performance.getMetrics")["metrics"].toArray()) {
            if (m["name"] == "TaskDuration")
                return m["value"].toDouble();
        }
        return 0.0;
    };
    const QString count = QStringLiteral("document.querySelectorAll('#f > div').length");
    const auto timeFrames = [&](const char *what) {
        const int onPage = browser.evaluate(count).toInt();
        const double taskBefore = taskSeconds();
        // Polling would add to the page's work: the page reports its 300th frame instead.
        const int before = browser.bindingCalls();
        browser.evaluate("window.times = []; window.last = 0;"
                         "function tick(t) { if (last) times.push(t - last); last = t;"
                         " if (times.length < 300) requestAnimationFrame(tick);"
                         " else overlayShown('frames'); }"
                         "requestAnimationFrame(tick);");
        browser.waitFor([&] { return browser.bindingCalls() > before; }, 30000);
        const double work = (taskSeconds() - taskBefore) * 1000 / 300;
        QVector<double> frames;
        const QByteArray json = browser.evaluate("JSON.stringify(times)").toByteArray();
        for (const QJsonValue v : QJsonDocument::fromJson(json).array())
            frames << v.toDouble();
        if (frames.size() < 300)
            return false;
        const Figures f = figures(frames);
        std::printf("| frame time, %s (%d comments, %d at the end) | %.1f ms | %.1f ms | %.1f ms "
                    "|\n| its main-thread work per frame (mean) | %.2f ms | | |\n",
                    what, onPage, browser.evaluate(count).toInt(), f.median, f.best, f.worst, work);
        return true;
    };
    if (!timeFrames("empty page"))
        return 1;
    QStringList load;
    for (int i = 0; i < 60; ++i)
        load << line(i * 3);
    const int before = browser.bindingCalls();
    pipeline.SetLog(load, QStringLiteral("<>"));
    if (!waitShown(before + 1) || !timeFrames("60 comments flowing"))
        return 1;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (HeadlessChromium::executable().isEmpty()) {
        std::fprintf(stderr, "chromium is not installed\n");
        return 1;
    }
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    OverlayServer server;
    if (!server.start(port, false, QString())) {
        std::fprintf(stderr, "no server: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    if (argc > 1 && QByteArray(argv[1]) == "flow")
        return flowBench(server, port);
    const QStringList texts = {QStringLiteral("実況のレスが字幕になって流れます www"),
                               QStringLiteral("ここで決めてくれ！！ がんばれー"),
                               QStringLiteral("今の見た？ 88888888")};
    std::printf("| frame | drawn | transparent part made | PNG sent | shown: median | best | worst"
                " |\n|---|---|---|---|---|---|---|\n");
    for (const QSize frame : {QSize(640, 480), QSize(1920, 1080)}) {
        HeadlessChromium browser;
        if (!browser.start(frame)) {
            std::fprintf(stderr, "chromium did not start\n");
            return 1;
        }
        browser.call("Runtime.addBinding", {{"name", "overlayShown"}});
        Program program;
        program.opt.WakuSize = QStringLiteral("%1x%2").arg(frame.width()).arg(frame.height());
        frmText window(program, nullptr);
        QElapsedTimer clock;
        double drawn = 0, painted = 0, composed = 0;
        QObject::connect(&window, &frmText::drawn, &server, [&] {
            painted = clock.nsecsElapsed() / 1e6;
            const QRect area = window.lastChange();
            const QImage patch = window.overlayPicture(area);
            composed = clock.nsecsElapsed() / 1e6;
            server.drawSubtitle(window.picture().size(), area.topLeft(), patch);
            drawn = clock.nsecsElapsed() / 1e6;
        });
        auto waitShown = [&](int count) {
            return browser.waitFor([&] { return browser.bindingCalls() >= count; }, 5000);
        };
        browser.navigate(QStringLiteral("http://127.0.0.1:%1/subtitle").arg(port));
        if (!waitShown(1)) {
            std::fprintf(stderr, "the page did not show\n");
            return 1;
        }
        QVector<double> total, work, paint, compose;
        for (int i = 0; i < 22; ++i) {
            const int before = browser.bindingCalls();
            clock.start();
            window.TextDraw(
                MakuEntry::freeText(texts[i % texts.size()], QStringLiteral("shita big")));
            if (!waitShown(before + 1)) {
                std::fprintf(stderr, "a picture did not arrive\n");
                return 1;
            }
            if (i == 0)
                continue; // the first picture warms the page up
            total << clock.nsecsElapsed() / 1e6;
            work << drawn;
            paint << painted;
            compose << composed;
        }
        const Figures t = figures(total);
        std::printf("| %dx%d | %.1f ms | %.1f ms | %.1f ms | %.1f ms | %.1f ms | %.1f ms |\n",
                    frame.width(), frame.height(), figures(paint).median, figures(compose).median,
                    figures(work).median, t.median, t.best, t.worst);
    }
    return 0;
}
