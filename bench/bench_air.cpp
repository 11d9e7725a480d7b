// What a broadcast pays on the streamer's machine, each figure beside its reference, measured
// in one run (needs a display: run under xvfb-run -a):
//
//   bench_air scroll     first load of 1,000 posts and a 3-post reload of a 9,950-post view,
//                        auto-scroll on and off, beside a bare web view
//   bench_air cpu [S]    CPU of the program's process tree while following the demo board,
//                        beside a reference program doing only the visible work of it
//                        (bench_air_reference), each in a process of its own
//   bench_air subtitle   one 1920x1080 subtitle until the window shows it, both window modes
//   bench_air memory     memory over many reloads beside a bare view given the same appends
//                        (--reloads N, --interval MS)
//   bench_air speech     from a post's subtitle draw until the VOICEVOX and BouyomiChan
//                        stand-ins receive its text
//   bench_air pixels F   writes a digest of every picture of a fixed set of draws to F
//                        (compare the files of two builds: painting must not change a pixel)

#include "app/frmmain.h"
#include "boardserver.h"
#include "platform/codec.h"
#include "platform/heappolicy.h"
#include "platform/settingsstore.h"
#include "platform/textfile.h"
#include "platform/threadview.h"
#include "rendering/postpipeline.h"
#include "retrieval/threadloader.h"
#include "retrieval/threadstate.h"
#include "settings/commandwords.h"
#include "settings/program.h"
#include "speech/speechreader.h"
#include "speechstandins.h"
#include "subtitle/frmtext.h"
#include "subtitle/makuentry.h"
#include "subtitle/subtitlewindowcontrol.h"
#include "threadgen.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProcess>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <malloc.h>
#include <unistd.h>

namespace {

QTextStream out(stdout);

double median(QVector<double> v)
{
    if (v.isEmpty())
        return 0;
    std::sort(v.begin(), v.end());
    const qsizetype n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

QString figures(const QVector<double> &v, const char *unit = "ms")
{
    if (v.isEmpty())
        return QStringLiteral("-");
    return QString::asprintf("median %8.2f %s (best %.2f, worst %.2f, n=%d)", median(v), unit,
                             *std::min_element(v.begin(), v.end()),
                             *std::max_element(v.begin(), v.end()), int(v.size()));
}

void printRatio(const char *what, double value, double reference, double target)
{
    out << QString::asprintf("  %-44s %.2fx  (target %s %.2fx: %s)\n", what, value / reference,
                             "<=", target, value / reference <= target ? "met" : "NOT met");
    out.flush();
}

void waitUntil(const std::function<bool()> &done, int limitMs = 120000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
}

void spin(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
}

// Runs a script in the page after everything queued before it; returns its answer.
QVariant evaluate(QWebEnginePage *page, const QString &script)
{
    bool done = false;
    QVariant result;
    page->runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant &v) {
        result = v;
        done = true;
    });
    waitUntil([&] { return done; });
    return result;
}

QVariant evaluate(ThreadView *view, const QString &script)
{
    bool done = false;
    QVariant result;
    view->evaluate(script, [&](const QVariant &v) {
        result = v;
        done = true;
    });
    waitUntil([&] { return done; });
    return result;
}

const QString kCountPosts = QStringLiteral("document.querySelectorAll('.res').length");

QString dataDir()
{
    return QStringLiteral(SAZANAMI_SOURCE_DIR "/data/");
}

// A main window with the shipped skins in a throw-away home, as the program starts.
struct App
{
    QTemporaryDir home;
    std::unique_ptr<SettingsStore> store;
    Program program;
    std::unique_ptr<frmMain> window;

    // `speech`: "KEY=VALUE" pairs stored in the Speech section before the window loads.
    explicit App(const QStringList &speech = {})
    {
        for (const char *name : {"Header.htm", "Res.htm"})
            QFile::copy(dataDir() + QLatin1String(name), home.filePath(QLatin1String(name)));
        store = std::make_unique<SettingsStore>(home.filePath(QStringLiteral("settings.ini")));
        for (const QString &pair : speech)
            store->setValue(kSpeechSection, pair.section(QLatin1Char('='), 0, 0),
                            pair.section(QLatin1Char('='), 1));
        program.AppPath = home.path() + QLatin1Char('/');
        program.store = store.get();
        window = std::make_unique<frmMain>(program);
        if (!window->Form_Load(QString()))
            qFatal("the main window did not load");
    }

    QAction *action(const QString &menu, const QString &text) const
    {
        for (QAction *top : window->menuBar()->actions()) {
            if (menu.isEmpty() && top->text() == text)
                return top;
            if (top->menu() && top->text() == menu)
                for (QAction *a : top->menu()->actions())
                    if (a->text() == text)
                        return a;
        }
        qFatal("no menu item %s", qPrintable(text));
        return nullptr;
    }
    void autoScroll(bool on)
    {
        action(QStringLiteral("自動スクロール(&S)"),
               on ? QStringLiteral("有効(&G)") : QStringLiteral("無効(&S)"))
            ->trigger();
    }
    ThreadView *view() const { return window->findChild<ThreadView *>(QStringLiteral("webMain")); }
    QString status() const { return window->findChild<QLabel *>(QStringLiteral("STATUS"))->text(); }
    // Loads an address as Enter in the address bar does, and waits until the page has every
    // write applied; answers the posts in the document.
    int load(const QString &address)
    {
        window->findChild<QComboBox *>(QStringLiteral("cmbUrl"))->setEditText(address);
        // The load command clears Ready until the server has closed the connection.
        action(QString(), QStringLiteral("更新(&R)"))->trigger();
        const auto *loader = window->findChild<ThreadLoader *>();
        waitUntil([loader] { return loader->state().Ready; });
        return evaluate(view(), kCountPosts).toInt();
    }
};

// The thread as the program renders it: header skin and every post filled through Res.htm.
QString renderedPosts(const QStringList &lines, int from, int count)
{
    Program program;
    ThreadState state;
    state.BoardKind = Boards::Kind::TwoChannel;
    state.ResTotal = from;
    PostPipeline pipeline(program, state);
    pipeline.setResSkin(ReadTextFile(dataDir() + QStringLiteral("Res.htm")));
    QString html;
    QObject::connect(&pipeline, &PostPipeline::postRendered,
                     [&html](const QString &post) { html += post; });
    pipeline.SetLog(lines.mid(from, count), QStringLiteral("<>"));
    return html;
}

QString header()
{
    return ReadTextFile(dataDir() + QStringLiteral("Header.htm"));
}

QByteArray datBytes(const QStringList &lines, int from, int count)
{
    return Codec::toSjis(lines.mid(from, count).join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

// A plain web view with the whole document loaded at once, posts appended by the page itself.
struct BareView
{
    QWebEngineView view;
    QTemporaryDir dir;
    BareView()
    {
        view.resize(500, 400);
        view.show();
    }
    // Loads a whole document; answers the posts it shows.
    int setDocument(const QString &html)
    {
        const QString file = dir.filePath(QStringLiteral("thread.html"));
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write(html.toUtf8());
        f.close();
        bool loaded = false;
        const auto conn = QObject::connect(&view, &QWebEngineView::loadFinished,
                                           [&loaded](bool) { loaded = true; });
        view.setUrl(QUrl::fromLocalFile(file));
        waitUntil([&] { return loaded; });
        QObject::disconnect(conn);
        return evaluate(view.page(), kCountPosts).toInt();
    }
    int append(const QString &html)
    {
        view.page()->runJavaScript(
            QStringLiteral("document.body.insertAdjacentHTML('beforeend',%1);")
                .arg(QString::fromUtf8(
                         QJsonDocument(QJsonArray{html}).toJson(QJsonDocument::Compact))
                         .mid(1)
                         .chopped(1)),
            QWebEngineScript::ApplicationWorld);
        return evaluate(view.page(), kCountPosts).toInt();
    }
};

QString documentOf(const QString &posts)
{
    return QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body>") + header() + posts +
           QStringLiteral("</body></html>");
}

// ---- rows 1 and 2: auto-scroll --------------------------------------------------------------

int benchScroll()
{
    constexpr int kFirst = 1000;
    // With every reload's posts the thread stays within its bound of 10001 posts.
    constexpr int kBig = 9950;
    constexpr int kAdded = 3;
    constexpr int kRounds = 7;
    BoardServer server;
    if (!server.listen())
        return 1;
    const QStringList lines = ThreadGen::DatLines(kBig + kAdded * 2 * (kRounds + 1) + 1);
    App app;
    BareView bare;
    auto url = [&server](int key) {
        return server.origin() + QStringLiteral("/test/read.cgi/bench/%1/").arg(key);
    };

    // Row 1: first loads of 1,000 posts, alternating scroll on and off (a new address each
    // time restarts the view), beside one load of the same final document.
    for (int key = 1; key <= 2; ++key)
        server.setDat(QStringLiteral("bench"), QString::number(key), datBytes(lines, 0, kFirst));
    const QString firstDoc = documentOf(renderedPosts(lines, 0, kFirst));
    QVector<double> on, off, whole;
    app.load(url(1)); // starts the page and the engine
    bare.setDocument(firstDoc);
    for (int run = 0; run < kRounds * 2; ++run) {
        const bool scroll = run % 2 == 0;
        app.autoScroll(scroll);
        QElapsedTimer clock;
        clock.start();
        const int shown = app.load(url(1 + run % 2));
        (scroll ? on : off) << clock.nsecsElapsed() / 1e6;
        if (shown != kFirst)
            qFatal("the view shows %d posts, not %d", shown, kFirst);
        if (run % 2 == 1) {
            clock.restart();
            bare.setDocument(firstDoc);
            whole << clock.nsecsElapsed() / 1e6;
        }
    }
    out << "first load of 1,000 posts from the local board into the view\n"
        << "  auto-scroll on                      " << figures(on) << "\n"
        << "  auto-scroll off                     " << figures(off) << "\n"
        << "  bare view, one load of the document " << figures(whole) << "\n";
    printRatio("scroll on / scroll off", median(on), median(off), 1.2);

    // Row 2: a 9,950-post view, then reloads of 3 more posts each.
    server.setDat(QStringLiteral("bench"), QStringLiteral("3"), datBytes(lines, 0, kBig));
    app.autoScroll(false);
    if (app.load(url(3)) != kBig)
        qFatal("the big thread did not load");
    bare.setDocument(documentOf(renderedPosts(lines, 0, kBig)));
    // The thread view alone, written as the program writes it, without fetching.
    ThreadView alone;
    alone.resize(500, 400);
    alone.show();
    alone.Start(QDir::tempPath());
    alone.Open();
    alone.Write(header());
    alone.Write(renderedPosts(lines, 0, kBig));
    if (evaluate(&alone, kCountPosts).toInt() != kBig)
        qFatal("the thread view alone did not take the big thread");
    int total = kBig;
    QVector<double> reloadOn, reloadOff, bareAppend, bareLayout, aloneWrite;
    for (int run = 0; run < kRounds * 2; ++run) {
        const bool scroll = run % 2 == 0;
        app.autoScroll(scroll);
        server.appendDat(QStringLiteral("bench"), QStringLiteral("3"),
                         datBytes(lines, total, kAdded));
        const QString added = renderedPosts(lines, total, kAdded);
        total += kAdded;
        QElapsedTimer clock;
        clock.start();
        const int shown = app.load(url(3));
        (scroll ? reloadOn : reloadOff) << clock.nsecsElapsed() / 1e6;
        clock.restart();
        const int bareShown = bare.append(added);
        bareAppend << clock.nsecsElapsed() / 1e6;
        // Its count returns before the page lays the posts out; auto-scroll reads the page's
        // height and so waits for that layout, timed here on its own.
        clock.restart();
        evaluate(bare.view.page(), QStringLiteral("document.body.offsetHeight"));
        bareLayout << clock.nsecsElapsed() / 1e6;
        clock.restart();
        alone.Write(added);
        const int aloneShown = evaluate(&alone, kCountPosts).toInt();
        aloneWrite << clock.nsecsElapsed() / 1e6;
        if (shown != total || bareShown != total || aloneShown != total)
            qFatal("the views show %d and %d posts, not %d", shown, bareShown, total);
    }
    out << "one reload adding 3 posts to a 9,950-post view\n"
        << "  auto-scroll on                      " << figures(reloadOn) << "\n"
        << "  auto-scroll off                     " << figures(reloadOff) << "\n"
        << "  bare view, the same posts appended  " << figures(bareAppend) << "\n"
        << "  bare view, then its layout forced   " << figures(bareLayout) << "\n"
        << "  thread view alone, the same written " << figures(aloneWrite) << "\n";
    printRatio("scroll on / bare view", median(reloadOn), median(bareAppend), 1.3);
    return 0;
}

// ---- row 3: CPU while following --------------------------------------------------------------

// Processor time in nanoseconds used so far by process `root` and every process started below
// it (each process's CPU clock, its ended threads included): the process itself, the web
// engine's renderers and the rest (the engine's zygotes).
struct TreeCpuTime
{
    qint64 main = 0;
    qint64 renderer = 0;
    qint64 other = 0;
    qint64 total() const { return main + renderer + other; }
};

TreeCpuTime treeCpuTime(qint64 root)
{
    QHash<qint64, qint64> parentOf;
    QHash<qint64, qint64> used;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok)
            continue;
        QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray stat = f.readAll();
        // Fields after the command name, which is in parentheses and may hold blanks.
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        clockid_t clock;
        timespec t{};
        if (fields.size() < 2 || clock_getcpuclockid(pid_t(pid), &clock) != 0 ||
            clock_gettime(clock, &t) != 0)
            continue;
        parentOf.insert(pid, fields[1].toLongLong());
        used.insert(pid, t.tv_sec * 1000000000LL + t.tv_nsec);
    }
    TreeCpuTime sum;
    for (auto it = used.cbegin(); it != used.cend(); ++it) {
        for (qint64 p = it.key(); p > 1; p = parentOf.value(p, 0)) {
            if (p != root)
                continue;
            // The engine's zygotes start below the process; the pages' renderers are forked
            // by a zygote and carry its command line.
            (it.key() == root                   ? sum.main
             : parentOf.value(it.key()) != root ? sum.renderer
                                                : sum.other) += it.value();
            break;
        }
    }
    return sum;
}

// The X server of this display: its work for a window is not in the window's process tree.
qint64 xServerPid()
{
    const QByteArray display = qgetenv("DISPLAY");
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile f(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> argv = f.readAll().split('\0');
        if (argv.size() > 1 && argv[0].endsWith("Xvfb") && argv.contains(display))
            return entry.toLongLong();
    }
    return 0;
}

double loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? f.readAll().split(' ').value(0).toDouble() : -1;
}

// Which widgets paint, and how often (bench_air cpu S paints).
class PaintCensus : public QObject
{
public:
    QMap<QString, int> paints;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint || event->type() == QEvent::UpdateRequest) {
            const QString name = watched->objectName().isEmpty()
                                     ? QString::fromLatin1(watched->metaObject()->className())
                                     : watched->objectName();
            paints[(event->type() == QEvent::Paint ? QStringLiteral("paint ")
                                                   : QStringLiteral("update request ")) +
                   name] += 1;
        }
        return false;
    }
    void print() const
    {
        out << "    paints:";
        for (auto it = paints.cbegin(); it != paints.cend(); ++it)
            out << " " << it.key() << " " << it.value() << ";";
        out << "\n";
        out.flush();
    }
};

// Calls `done` when this process's input ends.
void onInputEnd(QObject *context, std::function<void()> done)
{
    auto *input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, context);
    QObject::connect(input, &QSocketNotifier::activated, context, [input, done] {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            input->setEnabled(false);
            done();
        }
    });
}

QString focusText()
{
    const QWidget *focus = QApplication::focusWidget();
    const QWidget *active = QApplication::activeWindow();
    return QStringLiteral("focus %1, active window %2")
        .arg(focus ? QString::fromLatin1(focus->metaObject()->className()) : QStringLiteral("none"),
             active ? active->windowTitle() : QStringLiteral("none"));
}

// The program following a thread as a streamer sets it up: subtitle window open, reload every
// 7 s. Runs in a process of its own until its input ends.
int followOne(const QString &address, bool paints)
{
    App app;
    app.load(address);
    app.action(QString(), QStringLiteral("字幕(&N)"))->trigger();
    app.action(QStringLiteral("自動更新(&A)"), QStringLiteral("7 sec"))->trigger();
    // As a streamer leaves it: the main window active, the caret in the address bar.
    app.window->activateWindow();
    app.window->findChild<QComboBox *>(QStringLiteral("cmbUrl"))->setFocus();
    PaintCensus census;
    if (paints)
        qApp->installEventFilter(&census);
    QTimer::singleShot(3000, [] {
        out << "    program: " << focusText() << "\n";
        out.flush();
    });
    onInputEnd(app.window.get(), [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    if (paints)
        census.print();
    return 0;
}

// What the program shows of a thread, made by the program's own loader and pipeline in this
// process (not counted) and handed to the reference as it arrives, reloading every 7 s.
class ReferenceFeed : public QObject
{
public:
    ReferenceFeed(QProcess &reference, const QString &address)
        : m_reference(reference), m_address(address), m_loader(m_state),
          m_pipeline(m_program, m_state)
    {
        m_program.opt = LoadSettings(SettingsStore(m_home.filePath(QStringLiteral("s.ini"))));
        m_pipeline.setCommandFlags(Commands::ParseEnableCommand(m_program.opt.EnableCommand));
        m_pipeline.setResSkin(ReadTextFile(dataDir() + QStringLiteral("Res.htm")));
        connect(&m_loader, &ThreadLoader::viewRestartRequested, this,
                [this] { send(QStringLiteral("restart"), header()); });
        connect(&m_loader, &ThreadLoader::statusChanged, this,
                [this](const QString &text) { send(QStringLiteral("status"), text); });
        connect(&m_loader, &ThreadLoader::linesReceived, this,
                [this](const QStringList &lines, const QString &separator) {
                    m_pipeline.SetLog(lines, separator);
                    if (!m_posts.isEmpty())
                        send(QStringLiteral("posts"), m_posts);
                    m_posts.clear();
                });
        connect(&m_pipeline, &PostPipeline::postRendered, this,
                [this](const QString &html) { m_posts += html; });
        connect(&m_pipeline, &PostPipeline::titleChanged, this,
                [this](const QString &title) { send(QStringLiteral("title"), title); });
        connect(&m_pipeline, &PostPipeline::postQueued, this, [this](const MakuEntry &entry) {
            send(QStringLiteral("queue"), QJsonArray{entry.command, entry.message, entry.id,
                                                     entry.name, entry.number, entry.listText()});
        });
        m_reload.setInterval(7000);
        connect(&m_reload, &QTimer::timeout, this, [this] { m_loader.load(m_address, false); });
        m_loader.load(m_address, false);
        m_reload.start();
    }
    bool ready() const { return m_loader.state().Ready; }

private:
    void send(const QString &key, const QJsonValue &value)
    {
        m_reference.write(QJsonDocument(QJsonObject{{key, value}}).toJson(QJsonDocument::Compact) +
                          '\n');
    }

    QProcess &m_reference;
    QString m_address;
    QTemporaryDir m_home;
    Program m_program;
    ThreadState m_state;
    ThreadLoader m_loader;
    PostPipeline m_pipeline;
    QString m_posts;
    QTimer m_reload;
};

// The reference program, built beside this one.
QString referencePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/bench_air_reference");
}

// The reference fed until this process's input ends, for a profiler (bench_air cpu-feed URL).
int feedOne(const QString &address)
{
    QProcess reference;
    reference.setProcessChannelMode(QProcess::ForwardedChannels);
    reference.start(referencePath(), {address});
    ReferenceFeed feed(reference, address);
    onInputEnd(&feed, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    reference.closeWriteChannel();
    reference.waitForFinished();
    return 0;
}

// The demo board in a process of its own, not counted. An interval of 0 keeps the thread still.
struct DemoBoard
{
    QProcess process;
    QTemporaryDir dir;
    QString address;

    explicit DemoBoard(int intervalMs)
    {
        const QString portFile = dir.filePath(QStringLiteral("port"));
        process.start(QStringLiteral(SAZANAMI_BOARD_SERVER),
                      {QStringLiteral("--demo"), QStringLiteral("--port"), QStringLiteral("0"),
                       QStringLiteral("--interval"), QString::number(intervalMs),
                       QStringLiteral("--port-file"), portFile});
        waitUntil([&] { return QFile(portFile).size() > 0; }, 10000);
        QFile pf(portFile);
        pf.open(QIODevice::ReadOnly);
        address = QStringLiteral("http://127.0.0.1:%1/test/read.cgi/demo/1700000000/")
                      .arg(QString::fromLatin1(pf.readAll().trimmed()));
    }
    ~DemoBoard()
    {
        process.kill();
        process.waitForFinished();
    }
};

struct CpuSample
{
    double percent = 0;         // of one CPU, the whole process tree
    double mainPercent = 0;     // the process itself
    double rendererPercent = 0; // the web engine's renderer
    double xPercent = 0;        // the X server, not in the tree
    double load = 0;            // load average of the last minute, at the end of the sample
};

// Starts the program or the reference following `address`, lets it settle, and measures the
// processor time of its process tree over `seconds`.
CpuSample sampleOne(bool program, const QString &address, int seconds, bool paints)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    // Only what the children print themselves: no engine logs, no start line.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qt.webenginecontext.*=false"));
    child.setProcessEnvironment(env);
    std::unique_ptr<ReferenceFeed> feed;
    if (program) {
        QStringList args{QStringLiteral("cpu-one"), address};
        if (paints)
            args << QStringLiteral("paints");
        child.start(QCoreApplication::applicationFilePath(), args);
    } else {
        QStringList args{address};
        if (paints)
            args << QStringLiteral("paints");
        child.start(referencePath(), args);
    }
    if (!child.waitForStarted())
        qFatal("%s did not start", program ? "the program" : "the reference");
    if (!program) {
        feed = std::make_unique<ReferenceFeed>(child, address);
        waitUntil([&] { return feed->ready(); });
    }
    // Start-up, the first load and the web engine's own settling are left out.
    spin(8000);
    const qint64 x = xServerPid();
    const TreeCpuTime before = treeCpuTime(child.processId());
    const qint64 xBefore = x ? treeCpuTime(x).main : 0;
    QElapsedTimer clock;
    clock.start();
    spin(seconds * 1000);
    const double elapsed = clock.elapsed() / 1000.0;
    CpuSample s;
    const TreeCpuTime after = treeCpuTime(child.processId());
    const auto percent = [&](qint64 ns) { return 100.0 * ns / 1e9 / elapsed; };
    s.percent = percent(after.total() - before.total());
    s.mainPercent = percent(after.main - before.main);
    s.rendererPercent = percent(after.renderer - before.renderer);
    s.xPercent = x ? percent(treeCpuTime(x).main - xBefore) : 0;
    s.load = loadAverage();
    feed.reset();
    child.closeWriteChannel();
    if (!child.waitForFinished(20000)) {
        child.kill();
        child.waitForFinished();
    }
    return s;
}

int benchCpu(int seconds, bool paints)
{
    out << "CPU of each process tree following the demo board (reload 7 s, subtitle window"
           " open), "
        << seconds
        << " s per sample; the program and the reference each in a process of its"
           " own, in turn; both compose the web view as the program does\n";
    out.flush();
    struct Scene
    {
        const char *name;
        int intervalMs;
        QVector<double> program, reference, programX, referenceX, load;
    };
    Scene scenes[] = {{"subtitles on air (a post about every 4 s)", 4000, {}, {}, {}, {}, {}},
                      {"quiet thread (no new posts)", 0, {}, {}, {}, {}, {}}};
    for (Scene &scene : scenes) {
        out << scene.name << "\n";
        DemoBoard board(scene.intervalMs);
        for (int round = 0; round < 2; ++round) {
            // Program first in one round and second in the other, so drift in the machine's
            // load falls on both alike.
            for (const bool program : {round == 0, round != 0}) {
                const CpuSample s = sampleOne(program, board.address, seconds, paints);
                (program ? scene.program : scene.reference) << s.percent;
                (program ? scene.programX : scene.referenceX) << s.xPercent;
                scene.load << s.load;
                out << QString::asprintf("  %-9s round %d: %6.2f %% (main %.2f, renderer %.2f, rest"
                                         " %.2f; X server %.2f %%), load average %.2f\n",
                                         program ? "program" : "reference", round + 1, s.percent,
                                         s.mainPercent, s.rendererPercent,
                                         qMax(0.0, s.percent - s.mainPercent - s.rendererPercent),
                                         s.xPercent, s.load);
                out.flush();
            }
        }
    }
    for (const Scene &scene : scenes) {
        const double p = median(scene.program);
        const double r = median(scene.reference);
        out << QString::asprintf("%s: program %.2f %%, reference %.2f %% (X server %.2f / %.2f"
                                 " %%), load average %.2f to %.2f\n",
                                 scene.name, p, r, median(scene.programX), median(scene.referenceX),
                                 *std::min_element(scene.load.begin(), scene.load.end()),
                                 *std::max_element(scene.load.begin(), scene.load.end()));
        if (scene.intervalMs != 0)
            printRatio("program / reference", p, r, 1.5);
        else
            out << QString::asprintf("  program - reference: %+.2f points (target at most +0.50:"
                                     " %s)\n",
                                     p - r, p - r <= 0.5 ? "met" : "NOT met");
    }
    return 0;
}

// ---- row 4: subtitle painting --------------------------------------------------------------

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Draws a subtitle and lets the window paint and flush it; answers the milliseconds of work
// on this thread (the frame timer's idle wait before the paint is not counted).
double timeDraw(frmText *w, const QString &text, const QString &command)
{
    PaintCounter counter;
    w->installEventFilter(&counter);
    const double start = threadCpuMs();
    w->TextDraw(MakuEntry::freeText(text, command));
    // Ask for the frame at once instead of a few milliseconds later.
    QEvent request(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(w->windowHandle(), &request);
    QElapsedTimer clock;
    clock.start();
    while (counter.paints == 0 && clock.elapsed() < 1000)
        QCoreApplication::processEvents();
    const double ms = threadCpuMs() - start;
    w->removeEventFilter(&counter);
    if (counter.paints != 1)
        qFatal("the draw was painted %d times, not once", counter.paints);
    return ms;
}

int benchSubtitle()
{
    constexpr int kDraws = 21;
    const QStringList texts = {QStringLiteral("実況のレスが字幕になって流れます www"),
                               QStringLiteral("ここで決めてくれ！！ がんばれー"),
                               QStringLiteral("今の見た？ 88888888")};
    const QString command = QStringLiteral("shita big");
    QVector<double> region, layered, reference;
    for (const int mode : {0, 1}) {
        Program program;
        program.opt.WakuSize = QStringLiteral("1920x1080");
        program.opt.TextMode = qint16(mode);
        auto *w = new frmText(program, nullptr);
        w->show();
        waitUntil([w] { return w->isVisible(); });
        timeDraw(w, texts[0], command);
        spin(300);
        for (int i = 0; i < kDraws; ++i) {
            (mode == 0 ? region : layered) << timeDraw(w, texts[i % texts.size()], command);
            QCoreApplication::processEvents();
            // The same glyphs, painted once into a transparent picture of the frame's size.
            const SubtitleLayout l = w->lastLayout();
            const double start = threadCpuMs();
            QImage plain(l.frame, QImage::Format_ARGB32_Premultiplied);
            plain.fill(Qt::transparent);
            QPainter p(&plain);
            p.setFont(l.font);
            p.setPen(l.textColour);
            p.drawText(QPoint(l.pos.x(), l.pos.y() + l.ascent), l.lines.join(QString()));
            p.end();
            reference << threadCpuMs() - start;
        }
        w->close();
        delete w;
    }
    out << "one subtitle at 1920x1080 (command \"shita big\", outline by copies), from TextDraw"
           " until the window has painted it: CPU time of the GUI thread\n"
        << "  region mode                         " << figures(region) << "\n"
        << "  layered mode                        " << figures(layered) << "\n"
        << "  glyphs painted once, transparent    " << figures(reference) << "\n";
    out << QString::asprintf("  region %.2f ms, layered %.2f ms (target under 5 ms: %s)\n",
                             median(region), median(layered),
                             median(region) < 5 && median(layered) < 5 ? "met" : "NOT met");
    return 0;
}

// A digest of what each draw of a fixed sequence produced, one line per draw.
int dumpPixels(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text))
        return 1;
    QTextStream digest(&f);
    QImage back(16, 9, QImage::Format_RGB32);
    for (int y = 0; y < back.height(); ++y)
        for (int x = 0; x < back.width(); ++x)
            back.setPixel(x, y, qRgb(x * 15, y * 25, (x * y) % 255));
    const QStringList texts = {QStringLiteral("字幕の表示テスト Sazanami 123"),
                               QString(),
                               QStringLiteral("一行目\r\n二行目はもっと長い行です"),
                               QStringLiteral("　"),
                               QStringLiteral("とても長いテキストが枠からはみ出すかどうか確かめる"
                                              "ためのテキストです。まだまだ続きます。おわり"),
                               QStringLiteral("w")};
    const QStringList commands = {QString(),
                                  QStringLiteral("shita red big"),
                                  QStringLiteral("naka jumbo blue"),
                                  QStringLiteral("gigantic"),
                                  QStringLiteral("small yellow"),
                                  QStringLiteral("ue white")};
    const QStringList frames = {QStringLiteral("640x480"), QStringLiteral("1920x1080"),
                                QStringLiteral("300x90")};
    auto hash = [](const QImage &image) {
        QCryptographicHash h(QCryptographicHash::Md5);
        for (int y = 0; y < image.height(); ++y)
            h.addData(QByteArrayView(reinterpret_cast<const char *>(image.constScanLine(y)),
                                     image.width() * 4));
        return h.result().toHex().left(12);
    };
    int n = 0;
    for (const QString &frame : frames) {
        for (int mode = 0; mode < 2; ++mode) {
            for (int decorate = 0; decorate < 4; ++decorate) {
                Program program;
                program.opt.WakuSize = frame;
                program.opt.TextMode = qint16(mode);
                program.opt.FontDecorate = qint16(decorate);
                program.opt.TextNumView = 1;
                program.opt.TextNameView = 1;
                auto *w = new frmText(program, &back);
                w->show();
                for (int i = 0; i < 24; ++i) {
                    program.opt.MakuMode = qint16(i % 3 == 0 ? 0 : 1);
                    program.flags.DragPointView = i % 4 == 1;
                    program.opt.WakuView = qint16(i % 5 == 2);
                    program.opt.BackPictureFile =
                        i % 7 == 3 ? QStringLiteral("back.bmp") : QString();
                    program.opt.FontResize = qint16(i % 6 == 4);
                    const bool noRes = i % 8 == 5;
                    const QString number = i % 3 == 1 ? QString::number(i) : QString();
                    MakuEntry entry = MakuEntry::freeText(texts[i % texts.size()],
                                                          commands[(i * 5) % commands.size()]);
                    if (noRes)
                        entry.kind = MakuEntry::Kind::IdleText;
                    entry.id = QStringLiteral("abc");
                    entry.name = QStringLiteral("名無し");
                    entry.number = number;
                    w->TextDraw(entry);
                    QCoreApplication::processEvents();
                    QImage screen(w->size(), QImage::Format_ARGB32_Premultiplied);
                    screen.fill(Qt::transparent);
                    w->render(&screen, QPoint(), QRegion(), QWidget::DrawChildren);
                    QString rects;
                    for (const QRect &r : w->appliedRegion())
                        rects += QStringLiteral("%1,%2,%3,%4;")
                                     .arg(r.x())
                                     .arg(r.y())
                                     .arg(r.width())
                                     .arg(r.height());
                    digest << n++ << ' ' << frame << " mode " << mode << " decorate " << decorate
                           << " draw " << i << ": picture " << hash(w->picture()) << " shown "
                           << hash(w->shownImage()) << " window " << hash(screen) << " region "
                           << QCryptographicHash::hash(rects.toLatin1(), QCryptographicHash::Md5)
                                  .toHex()
                                  .left(12)
                           << " mask " << w->mask().rectCount() << '\n';
                }
                w->close();
                delete w;
            }
        }
    }
    out << n << " draws written to " << file << "\n";
    return 0;
}

// ---- row 5: memory over a long stream --------------------------------------------------------

struct Memory
{
    double rssMiB = 0;
    double anonMiB = 0;  // RssAnon: private memory
    double shmemMiB = 0; // RssShmem: shared memory mapped in
    double heapMiB = 0;  // in use on the malloc heap
    double arenaMiB = 0; // the malloc heap's size, free parts included
};

Memory memoryNow()
{
    Memory m;
    QFile f(QStringLiteral("/proc/self/status"));
    if (f.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : f.readAll().split('\n')) {
            const double mib =
                line.mid(line.indexOf(':') + 1).trimmed().split(' ').first().toDouble() / 1024;
            if (line.startsWith("VmRSS:"))
                m.rssMiB = mib;
            else if (line.startsWith("RssAnon:"))
                m.anonMiB = mib;
            else if (line.startsWith("RssShmem:"))
                m.shmemMiB = mib;
        }
    }
    const struct mallinfo2 info = mallinfo2();
    m.heapMiB = double(info.uordblks + info.hblkhd) / (1024 * 1024);
    m.arenaMiB = double(info.arena + info.hblkhd) / (1024 * 1024);
    return m;
}

// One soak in this process: `app` true for the program, false for a bare view.
int soakOne(bool program, int reloads, int intervalMs)
{
    BoardServer server;
    if (!server.listen())
        return 1;
    const int start = 100;
    const QStringList lines = ThreadGen::DatLines(start + reloads * 2 + 2);
    server.setDat(QStringLiteral("soak"), QStringLiteral("1"), datBytes(lines, 0, start));
    const QString address = server.origin() + QStringLiteral("/test/read.cgi/soak/1/");
    std::unique_ptr<App> app;
    std::unique_ptr<BareView> bare;
    if (program) {
        app = std::make_unique<App>();
        app->window->statusBar()->hide();
        app->load(address);
    } else {
        bare = std::make_unique<BareView>();
        bare->setDocument(documentOf(renderedPosts(lines, 0, start)));
    }
    spin(1000);
    malloc_trim(0);
    const Memory base = memoryNow();
    int total = start;
    for (int reload = 1; reload <= reloads; ++reload) {
        // One or two new posts per reload, as a lively thread gives.
        const int added = 1 + reload % 2;
        server.appendDat(QStringLiteral("soak"), QStringLiteral("1"),
                         datBytes(lines, total, added));
        if (program) {
            app->load(address);
        } else {
            bare->append(renderedPosts(lines, total, added));
        }
        total += added;
        spin(intervalMs);
        if (reload % 25 == 0 || reload == 1) {
            const Memory m = memoryNow();
            out << QString::asprintf("%s %4d reloads: rss %+7.2f MiB (private %+7.2f, shared"
                                     " %+7.2f)  malloc heap %+7.2f MiB in use, %+7.2f MiB held\n",
                                     program ? "program" : "bare   ", reload,
                                     m.rssMiB - base.rssMiB, m.anonMiB - base.anonMiB,
                                     m.shmemMiB - base.shmemMiB, m.heapMiB - base.heapMiB,
                                     m.arenaMiB - base.arenaMiB);
            out.flush();
        }
    }
    return 0;
}

int benchMemory(const QStringList &args)
{
    const int reloadsAt = int(args.indexOf(QStringLiteral("--reloads")));
    const int intervalAt = int(args.indexOf(QStringLiteral("--interval")));
    const int reloads = reloadsAt >= 0 ? args.value(reloadsAt + 1).toInt() : 500;
    const int interval = intervalAt >= 0 ? args.value(intervalAt + 1).toInt() : 100;
    out << "memory of the main process over " << reloads << " reloads, " << interval
        << " ms apart (status bar hidden, no subtitle window), change since the first load\n";
    out.flush();
    // Each in a fresh process, so that neither inherits the other's heap.
    for (const char *which : {"program", "bare"}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("memory-one"), QLatin1String(which), QString::number(reloads),
                     QString::number(interval)});
        child.waitForFinished(-1);
    }
    return 0;
}

// A post on air until the engine has its text: from the subtitle window's draw (the reading
// starts after it) until the reader hands the text to the engine, and until the stand-in has
// the request or the command's first bytes. The stand-ins run on a thread of their own, as an
// engine runs in a process of its own: the window's work does not delay their side.
int benchSpeech()
{
    QThread engines;
    engines.start();
    VoicevoxStandIn voicevox;
    BouyomiStandIn bouyomi;
    voicevox.moveToThread(&engines);
    bouyomi.moveToThread(&engines);
    bool listening = false;
    QMetaObject::invokeMethod(
        &voicevox, [&] { listening = voicevox.listen() && bouyomi.listen(); },
        Qt::BlockingQueuedConnection);
    BoardServer server;
    if (!listening || !server.listen())
        return 1;
    const QString address = server.origin() + QStringLiteral("/test/read.cgi/speech/1/");
    const QString post = QStringLiteral("名無し<>sage<>2026/12/07(月) 21:00:00.00 ID:abc<> "
                                        "今のプレイうますぎｗｗｗ %1 <>");
    QElapsedTimer clock;
    clock.start();
    std::atomic<qint64> drawnAt{-1};
    std::atomic<int> arrived{0};
    QVector<double> handed, delays(40);
    // Recorded on the stand-ins' thread, as the bytes arrive.
    const auto received = [&] {
        const int n = arrived.load();
        if (n < delays.size())
            delays[n] = (clock.nsecsElapsed() - drawnAt.load()) / 1e6;
        arrived.store(n + 1);
    };
    QObject::connect(
        &voicevox, &VoicevoxStandIn::requestReceived, &voicevox,
        [&](const VoicevoxStandIn::Request &r) {
            if (r.path == "/audio_query")
                received();
        },
        Qt::DirectConnection);
    QObject::connect(&bouyomi, &BouyomiStandIn::commandArriving, &bouyomi, received,
                     Qt::DirectConnection);
    out << "from the subtitle draw until the text is handed to the engine / the engine has it, "
           "20 posts each\n";
    for (const QString &engine : {QStringLiteral("2"), QStringLiteral("3")}) {
        server.setDat(QStringLiteral("speech"), QStringLiteral("1"),
                      Codec::toSjis(post.arg(0) + QLatin1Char('\n')));
        App app({"Engine=" + engine, "VoicevoxUrl=" + voicevox.url(),
                 "BouyomiPort=" + QString::number(bouyomi.port())});
        app.load(address);
        app.action(QString(), QStringLiteral("字幕(&N)"))->trigger();
        auto *maku = app.window->findChild<SubtitleWindowControl *>();
        const auto *reader = app.window->findChild<SpeechReader *>();
        handed.clear();
        const int first = arrived.load();
        QObject::connect(maku, &SubtitleWindowControl::drawn, maku,
                         [&] { drawnAt.store(clock.nsecsElapsed()); });
        QObject::connect(reader, &SpeechReader::started, maku,
                         [&] { handed << (clock.nsecsElapsed() - drawnAt.load()) / 1e6; });
        for (int i = 1; i <= 20; ++i) {
            // One post at a time, once the last one has been read (played or not).
            const int before = arrived.load();
            server.appendDat(QStringLiteral("speech"), QStringLiteral("1"),
                             Codec::toSjis(post.arg(i) + QLatin1Char('\n')));
            app.load(address);
            waitUntil([&] { return arrived.load() > before && !reader->isSpeaking(); }, 20000);
        }
        out << (engine == QLatin1String("2") ? "VOICEVOX stand-in\n" : "BouyomiChan stand-in\n")
            << "  handed to the engine: " << figures(handed) << "\n"
            << "  received by it:       " << figures(delays.mid(first, arrived.load() - first))
            << "\n";
        out.flush();
    }
    engines.quit();
    engines.wait();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    // As the program does (main.cpp), except in the bare view's soak, which shows what the engine
    // costs.
    if (!(argc > 2 && std::strcmp(argv[1], "memory-one") == 0 && std::strcmp(argv[2], "bare") == 0))
        KeepLargeBuffersOffTheHeap();
    ComposeThreadViewsInSoftware();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (!mode.startsWith(QLatin1String("cpu-")))
        out << "bench_air " << mode << ": Qt " << qVersion() << ", "
            << QSysInfo::prettyProductName() << ", " << QThread::idealThreadCount() << " CPUs\n";
    out.flush();
    if (mode == QLatin1String("scroll"))
        return benchScroll();
    if (mode == QLatin1String("cpu"))
        return benchCpu(args.value(2, QStringLiteral("30")).toInt(),
                        args.contains(QStringLiteral("paints")));
    if (mode == QLatin1String("cpu-feed"))
        return feedOne(args.value(2));
    if (mode == QLatin1String("cpu-one"))
        return followOne(args.value(2), args.contains(QStringLiteral("paints")));
    if (mode == QLatin1String("subtitle"))
        return benchSubtitle();
    if (mode == QLatin1String("pixels") && args.size() > 2)
        return dumpPixels(args.at(2));
    if (mode == QLatin1String("memory"))
        return benchMemory(args);
    if (mode == QLatin1String("speech"))
        return benchSpeech();
    if (mode == QLatin1String("memory-one"))
        return soakOne(args.value(2) == QLatin1String("program"), args.value(3).toInt(),
                       args.value(4).toInt());
    std::fprintf(stderr, "usage: bench_air scroll | cpu [SECONDS] [paints] | subtitle | speech | "
                         "memory [--reloads N] [--interval MS] | pixels FILE\n");
    return 2;
}
