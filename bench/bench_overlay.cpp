// From TextDraw to the new picture shown by the browser-source page in headless chromium
// (needs a display for the subtitle window: run under xvfb-run -a):
//
//   bench_overlay        21 subtitles at 640x480 and at 1920x1080, median, best and worst
//
// The page reports each picture from the frame after it loaded it (requestAnimationFrame after
// the image's load event), through a DevTools binding; the time runs from the call of TextDraw.

#include "chromium.h"
#include "overlay/overlayserver.h"
#include "settings/program.h"
#include "subtitle/frmtext.h"

#include <QApplication>
#include <QElapsedTimer>
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
