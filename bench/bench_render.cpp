// Measures new-post processing: from the decoded body of a thread to the filled HTML of every
// post, through the same pipeline the main window uses, with a stand-in for the thread view.
//
//   bench_render               parsing and skin filling, 1,000 and 10,000 posts
//   bench_render --first-load  first load from the local board server into the real view
//
// It also times the pop-ups over the same generated threads: GetPopupRes for 301 posts and
// GetSameId over 10,000 posts.

#include "app/frmmain.h"
#include "boardserver.h"
#include "platform/codec.h"
#include "platform/settingsstore.h"
#include "platform/text.h"
#include "platform/textfile.h"
#include "platform/threadview.h"
#include "rendering/datline.h"
#include "rendering/ngrules.h"
#include "rendering/popups.h"
#include "rendering/postpipeline.h"
#include "retrieval/datresponse.h"
#include "retrieval/threadloader.h"
#include "retrieval/threadstate.h"
#include "settings/program.h"
#include "subtitle/makuentry.h"
#include "subtitle/subtitlequeue.h"
#include "threadgen.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>

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
Figures measureBody(const QString &body, const QString &resSkin, bool liveMode)
{
    QVector<double> times;
    Figures f;
    for (int run = 0; run < kRuns; ++run) {
        Program program;
        ThreadState state;
        state.BoardKind = Boards::Kind::TwoChannel;
        state.LiveMode = liveMode;
        SubtitleQueue queue;
        PostPipeline pipeline(program, state);
        QObject::connect(&pipeline, &PostPipeline::postQueued, &queue, &SubtitleQueue::queuePost);
        QObject::connect(&pipeline, &PostPipeline::noticeQueued, &queue,
                         &SubtitleQueue::queueNotice);
        pipeline.setResSkin(resSkin);
        pipeline.setNgWords({QStringLiteral("荒らし"), QStringLiteral("ID:zzzzzzzz")});
        // Stand-in for the view: the document text grows as the real one does.
        QString document;
        QObject::connect(&pipeline, &PostPipeline::postRendered, &pipeline,
                         [&document](const QString &html) { document += html; });

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

// Median time of one pop-up text over a thread of `posts` posts rendered through the pipeline.
// `id`: the ID pop-up for the ID of post 2 (a regular poster); else posts 1 to 301.
double measurePopup(const QString &resSkin, int posts, bool id, qsizetype *chars)
{
    Program program;
    ThreadState state;
    PostPipeline pipeline(program, state);
    pipeline.setResSkin(resSkin);
    pipeline.SetLog(ThreadGen::DatLines(posts), QStringLiteral("<>"));
    const Popups::Thread thread{pipeline.ResData(), posts, true};
    // The status text the view reports for the ID link: the target, scheme in lower case.
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("href=\"ID:([^\"]+)\""))
                                          .match(pipeline.ResData().value(2).DateID);
    const QString status = QStringLiteral("id:") + m.captured(1);
    QVector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer clock;
        clock.start();
        const QString text =
            id ? Popups::GetSameId(thread, status) : Popups::GetPopupRes(thread, 1, 301);
        times << clock.nsecsElapsed() / 1e6;
        *chars = text.size();
    }
    return median(times);
}

// Time of a first load of a 1,000-post thread from the local board server until the last post
// is in the real thread view: from the load command to the moment the page has applied every
// write (a script queued after the writes returns). Needs a display (xvfb-run).
int firstLoadIntoView()
{
    constexpr int kPosts = 1000;
    constexpr int kViewRuns = 7;
    QTemporaryDir home;
    for (const char *name : {"Header.htm", "Res.htm"})
        QFile::copy(QStringLiteral(SAZANAMI_SOURCE_DIR "/data/") + QLatin1String(name),
                    home.filePath(QLatin1String(name)));
    SettingsStore store(home.filePath(QStringLiteral("settings.ini")));
    Program program;
    program.AppPath = home.path() + QLatin1Char('/');
    program.store = &store;

    BoardServer server;
    if (!server.listen()) {
        std::fprintf(stderr, "board server: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    server.setDat(QStringLiteral("bench"), QStringLiteral("1"),
                  Codec::toSjis(ThreadGen::DatBody(kPosts)));
    frmMain window(program);
    if (!window.Form_Load(QString()))
        return 1;
    auto *address = window.findChild<QComboBox *>(QStringLiteral("cmbUrl"));
    auto *view = window.findChild<ThreadView *>(QStringLiteral("webMain"));
    const auto *loader = window.findChild<ThreadLoader *>();
    address->setEditText(server.origin() + QStringLiteral("/test/read.cgi/bench/1/"));

    QVector<double> times;
    for (int run = 0; run <= kViewRuns; ++run) {
        // A Ctrl load always starts the thread from scratch: hold Ctrl as a user would.
        QTest::keyPress(address, Qt::Key_Control, Qt::ControlModifier);
        QElapsedTimer clock;
        clock.start();
        window.mnuReload_Click();
        QTest::keyRelease(address, Qt::Key_Control, Qt::ControlModifier);
        while (!loader->state().Ready)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        int shown = -1;
        view->evaluate(QStringLiteral("document.querySelectorAll('.res').length"),
                       [&](const QVariant &v) { shown = v.toInt(); });
        while (shown < 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        const double ms = clock.nsecsElapsed() / 1e6;
        if (shown != kPosts) {
            std::fprintf(stderr, "the view shows %d posts, not %d\n", shown, kPosts);
            return 1;
        }
        if (run > 0) // the first run also starts the web engine's page
            times << ms;
    }
    QTextStream out(stdout);
    out << "first load of " << kPosts << " posts from the local board into the view: median "
        << QString::number(median(times), 'f', 0) << " ms (best "
        << QString::number(*std::min_element(times.begin(), times.end()), 'f', 0) << ", worst "
        << QString::number(*std::max_element(times.begin(), times.end()), 'f', 0) << ", "
        << kViewRuns << " runs)\n";
    window.close();
    return 0;
}

// A 63 MiB line without LF in 64 KiB chunks, as a hostile board may send it, through the
// response state of the fetch, then a LF and one more line.
// Wall-clock and processor time of this thread (the machine may be shared), in ms.
struct Times
{
    double wall = 0;
    double cpu = 0;
};

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

Times measureLongLine()
{
    const QByteArray chunk(64 * 1024, 'x');
    const int chunks = 63 * 16;
    QVector<double> times;
    QVector<double> cpu;
    for (int run = 0; run < 5; ++run) {
        DatResponse r;
        r.reset(false, false, QStringLiteral("<>"));
        QElapsedTimer clock;
        clock.start();
        const double cpuStart = threadCpuMs();
        r.feed("HTTP/1.1 200 OK\r\nContent-Length: " +
               QByteArray::number(qint64(chunks) * chunk.size() + 6) + "\r\n\r\n");
        for (int i = 0; i < chunks; ++i)
            r.feed(chunk);
        const DatResponse::Step last = r.feed("\na<>b\n");
        times << clock.nsecsElapsed() / 1e6;
        cpu << threadCpuMs() - cpuStart;
        if (last.lines.size() != 2)
            std::fprintf(stderr, "long line: %d lines handed on, not 2\n", int(last.lines.size()));
    }
    return Times{median(times), median(cpu)};
}

// A hostile post: the subtitle clean-up of a 1 MiB message, and the tag removal from a name of
// the same size (both ran in quadratic time once).
void measureTagStrip(QTextStream &out)
{
    const QString tags = QStringLiteral("<b>x").repeated(1024 * 1024 / 4);
    const QString opens = QStringLiteral("<").repeated(1024 * 1024);
    const struct
    {
        const char *what;
        std::function<QString()> run;
    } cases[] = {
        {"GetMakuReplace, <b>x x 256 Ki", [&] { return GetMakuReplace(tags); }},
        {"name without tags, <b>x", [&] { return ReplaceEnclosed(tags, "<", ">", QString()); }},
        {"name without tags, 1 Mi \"<\"",
         [&] { return ReplaceEnclosed(opens, "<", ">", QString()); }},
    };
    for (const auto &c : cases) {
        QVector<double> times;
        qsizetype size = 0;
        for (int run = 0; run < kRuns; ++run) {
            QElapsedTimer timer;
            timer.start();
            size = c.run().size();
            times << timer.nsecsElapsed() / 1e6;
        }
        out << QString::asprintf("1 MiB message, %-30s median %8.2f ms  (best %.2f, worst %.2f;"
                                 " %lld chars left)\n",
                                 c.what, median(times),
                                 *std::min_element(times.begin(), times.end()),
                                 *std::max_element(times.begin(), times.end()), qlonglong(size));
    }
}

// NG rules in the middle of a broadcast: 100 rules (40 IDs, 30 names or trips, 30 patterns)
// against every post of a 1,000-post thread, as the pipeline asks for each post (the ID taken
// from the date field, the name without tags). No rule matches, so every one is tried: the
// cost of each post that airs.
void measureNgRules(QTextStream &out)
{
    constexpr int kPosts = 1000;
    const QStringList lines = ThreadGen::DatLines(kPosts);
    QVector<DatPost> posts;
    for (int i = 0; i < kPosts; ++i)
        posts << MapDatLine(lines.at(i), QStringLiteral("<>"), Boards::Kind::TwoChannel, i);
    const char *const patterns[] = {"死ね%1|殺す%1",  "^うざい%1",     "[wｗ]{%1,}",
                                    "荒らし%1.*通報", "(?i)spam%1\\b", "https?://bad%1\\."};
    NgRules rules; // no folder: nothing is written
    for (int i = 0; i < 40; ++i)
        rules.add(NgRules::Kind::Id, QStringLiteral("zz%1abcd").arg(i), 0);
    for (int i = 0; i < 30; ++i)
        rules.add(NgRules::Kind::Name, QStringLiteral("◆NoTrip%1").arg(i), 0);
    for (int i = 0; i < 30; ++i)
        rules.add(NgRules::Kind::Pattern, QString::fromUtf8(patterns[i % 6]).arg(20 + i), 0);
    QVector<double> times;
    int hidden = 0;
    for (int run = 0; run < kRuns; ++run) {
        hidden = 0;
        QElapsedTimer clock;
        clock.start();
        for (const DatPost &post : std::as_const(posts))
            hidden +=
                rules.hides(NgRules::PosterId(post.DateID), RemoveTags(post.Names), post.Message);
        times << clock.nsecsElapsed() / 1e3 / kPosts;
    }
    const int count =
        int(rules.list(NgRules::Kind::Id).size() + rules.list(NgRules::Kind::Name).size() +
            rules.list(NgRules::Kind::Pattern).size());
    out << QString::asprintf("%d NG rules, 1,000 posts, per post     median %8.2f µs  (best %.2f, "
                             "worst %.2f; %d hidden)\n",
                             count, median(times), *std::min_element(times.begin(), times.end()),
                             *std::max_element(times.begin(), times.end()), hidden);
}

} // namespace

int main(int argc, char **argv)
{
    if (std::find_if(argv, argv + argc, [](const char *a) {
            return std::strcmp(a, "--first-load") == 0;
        }) != argv + argc) {
        QApplication app(argc, argv);
        return firstLoadIntoView();
    }
    QCoreApplication app(argc, argv);

    const QString dataDir = QStringLiteral(SAZANAMI_SOURCE_DIR "/data/");
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
            const Figures f = measureBody(body, resSkin, live);
            out << QString::asprintf("%6d posts, %-20s median %8.2f ms  (best %.2f, worst %.2f;"
                                     " %.1f µs/post; %lld KiB body, %lld KiB html, %d queued)\n",
                                     posts, live ? "follow-up (queued)" : "first load", f.median,
                                     f.best, f.worst, f.median * 1000 / posts,
                                     qlonglong(body.size() * 2 / 1024),
                                     qlonglong(f.htmlChars * 2 / 1024), f.queued);
        }
    }
    const Times longLine = measureLongLine();
    out << QString::asprintf("63 MiB line without LF in 64 KiB chunks, median %8.2f ms"
                             "  (processor time %.2f ms)\n",
                             longLine.wall, longLine.cpu);
    qsizetype chars = 0;
    const double res = measurePopup(resSkin, 1000, false, &chars);
    out << QString::asprintf(
        "GetPopupRes, posts 1-301 of 1,000     median %8.3f ms  (%lld chars)\n", res,
        qlonglong(chars));
    const double same = measurePopup(resSkin, 10000, true, &chars);
    out << QString::asprintf(
        "GetSameId over 10,000 posts           median %8.3f ms  (%lld chars)\n", same,
        qlonglong(chars));
    measureTagStrip(out);
    measureNgRules(out);
    return 0;
}
