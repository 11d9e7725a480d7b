// Measures new-post processing: from the decoded body of a thread to the filled HTML of every
// post, through the same pipeline the main window uses, with a stand-in for the thread view.
//
//   bench_render               parsing and skin filling, 1,000 and 10,000 posts
//   bench_render --first-load  first load from the local board server into the real view

#include "app/program.h"
#include "platform/textfile.h"
#include "rendering/postpipeline.h"
#include "retrieval/threadstate.h"
#include "subtitle/subtitlequeue.h"
#include "threadgen.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSysInfo>
#include <QTextStream>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int kRuns = 15;

struct Figures
{
    double median = 0;
    double best = 0;
    double worst = 0;
    qsizetype htmlChars = 0;
    int queued = 0;
};

double median(QVector<double> v)
{
    std::sort(v.begin(), v.end());
    const qsizetype n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// One load of the whole body: split into lines (as the fetch hands them over), then SetLog.
// liveMode queues every post as a follow-up load would.
Figures measureBody(const QString &body, const QString &headerSkin, const QString &resSkin,
                    bool liveMode)
{
    QVector<double> times;
    Figures f;
    for (int run = 0; run < kRuns; ++run) {
        Program program;
        ThreadState state;
        state.BoardKind = QStringLiteral("2ch");
        state.LiveMode = liveMode;
        SubtitleQueue queue;
        PostPipeline pipeline(program, state, queue);
        pipeline.setSkins(headerSkin, resSkin);
        const QStringList ngWords = {QStringLiteral("荒らし"), QStringLiteral("ID:zzzzzzzz")};
        pipeline.setNgWordSource([&ngWords] { return ngWords; });
        const QVector<bool> flags(17, true);
        pipeline.setCommandFlagSource([&flags] { return flags; });
        // Stand-in for the view: the document text grows as the real one does.
        QString document;
        pipeline.setWriter([&document](const QString &html) { document += html; });
        pipeline.setAutoScroll([] {});
        pipeline.setTitleHandler([](const QString &) {});

        QElapsedTimer clock;
        clock.start();
        QStringList lines = body.split(QLatin1Char('\n'));
        lines.removeLast(); // what follows the last LF is not a complete line
        pipeline.SetLog(lines, QStringLiteral("<>"));
        times << clock.nsecsElapsed() / 1e6;

        f.htmlChars = document.size();
        f.queued = queue.count();
    }
    f.median = median(times);
    f.best = *std::min_element(times.begin(), times.end());
    f.worst = *std::max_element(times.begin(), times.end());
    return f;
}

// Time of a first load of a 1,000-post thread from the local board server until the last post
// is in the real thread view (frmMain, under Xvfb). Wired once the main window loads threads.
int firstLoadIntoView()
{
    std::puts("first load into the view: not wired yet");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (app.arguments().contains(QStringLiteral("--first-load")))
        return firstLoadIntoView();

    const QString dataDir = QStringLiteral(SAZANAMI_SOURCE_DIR "/data/");
    const QString headerSkin = ReadTextFile(dataDir + QStringLiteral("Header.htm"));
    const QString resSkin = ReadTextFile(dataDir + QStringLiteral("Res.htm"));
    if (resSkin.isEmpty()) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(dataDir + "Res.htm"));
        return 1;
    }

    QTextStream out(stdout);
    out << "bench_render: decoded body -> filled HTML of every post (median of " << kRuns
        << " runs)\n"
        << "Qt " << qVersion() << ", " << QSysInfo::prettyProductName() << ", "
        << QSysInfo::currentCpuArchitecture() << "\n";
    for (const int posts : {1000, 10000}) {
        const QString body = ThreadGen::DatBody(posts);
        for (const bool live : {false, true}) {
            const Figures f = measureBody(body, headerSkin, resSkin, live);
            out << QString::asprintf("%6d posts, %-20s median %8.2f ms  (best %.2f, worst %.2f;"
                                     " %.1f µs/post; %lld KiB body, %lld KiB html, %d queued)\n",
                                     posts, live ? "follow-up (queued)" : "first load", f.median,
                                     f.best, f.worst, f.median * 1000 / posts,
                                     qlonglong(body.size() * 2 / 1024),
                                     qlonglong(f.htmlChars * 2 / 1024), f.queued);
        }
    }
    return 0;
}
