// Measures the thread list with a large board: 3,000 threads (about 250 KB of subject list)
// from the local board server into the real list window, from the last byte received until
// every row is in the list and the list has painted; and one header-click sort. Then the
// next-thread search over a list of that size, from its bytes to the chosen thread.
//
//   bench_threadlist   (QT_QPA_PLATFORM=offscreen is enough)

#include "boardserver.h"
#include "platform/codec.h"
#include "threadlist/frmthread.h"
#include "threadlist/nextthread.h"
#include "threadlist/subjectfetch.h"
#include "threadlist/subjectresponse.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

constexpr int kThreads = 3000;
constexpr int kRuns = 9;

const char16_t *const kWords[] = {u"【実況】",   u"雑談スレ",     u"今日の配信を見守る",
                                  u"Part",       u"ゲーム大会",   u"初見さん歓迎",
                                  u"ｷﾀ━(ﾟ∀ﾟ)━!", u"長時間耐久枠", u"質問はこちらへ"};

double median(QVector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The next-thread search where it costs most: no link in the last 100 posts, and every one of
// 3,000 threads newer than the current one, so every title is compared. From the answer's
// bytes (header and Shift_JIS body, in 64 KiB chunks) through the rows to the chosen thread.
void benchNextThread()
{
    const QString board = QStringLiteral("http://127.0.0.1:8080/live/");
    QByteArray answer;
    for (int i = 0; i < kThreads; ++i) {
        QString title;
        for (int w = 0; w < 5; ++w)
            title += QString::fromUtf16(kWords[(i * 7 + w * 3) % 9]);
        // A series of 30 parts among the rest; part 7 follows the current part 6.
        if (i % 100 == 0)
            title = QStringLiteral("【実況】今日の配信を見守るスレ Part%1").arg(i / 100 + 1);
        answer += Codec::toSjis(QString::number(1700001000 + i) + QStringLiteral(".dat<>") + title +
                                QStringLiteral(" (%1)\n").arg(i % 1000));
    }
    answer.prepend("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(answer.size()) +
                   "\r\n\r\n");
    QVector<PostText> posts;
    for (int n = 901; n <= 1000; ++n)
        posts.append({n, QStringLiteral("わこつ <br> 画像 http://example.com/a/%1.jpg").arg(n)});
    const QString current = QStringLiteral("http://127.0.0.1:8080/test/read.cgi/live/1700000000/");

    // The machine is shared: the thread's processor time is shown beside the wall time.
    const auto cpuMs = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
    };
    QVector<double> times, choices, cpu;
    QString chosen;
    for (int run = 0; run < 15; ++run) {
        QElapsedTimer clock;
        clock.start();
        const double cpuStart = cpuMs();
        SubjectResponse response;
        response.reset(board, false, 1700100000);
        for (qsizetype at = 0; at < answer.size(); at += 65536)
            response.feed(answer.mid(at, 65536));
        const QVector<ThreadRow> rows = response.finish();
        QElapsedTimer choice;
        choice.start();
        const NextThreadCandidate c = ChooseNextThread(
            current, QStringLiteral("【実況】今日の配信を見守るスレ Part6"), posts, rows, {});
        choices.append(choice.nsecsElapsed() / 1e6);
        times.append(clock.nsecsElapsed() / 1e6);
        cpu.append(cpuMs() - cpuStart);
        chosen = c.title;
    }
    std::printf("next-thread search, %d threads (%lld bytes), none linked: median %.1f ms, "
                "best %.1f, worst %.1f; processor time %.1f ms; the choice alone: median %.1f ms "
                "(chose \"%s\")\n",
                kThreads, static_cast<long long>(answer.size()), median(times),
                *std::min_element(times.begin(), times.end()),
                *std::max_element(times.begin(), times.end()), median(cpu), median(choices),
                qPrintable(chosen));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    BoardServer server;
    if (!server.listen())
        return 1;
    for (int i = 0; i < kThreads; ++i) {
        QString title;
        for (int w = 0; w < 5; ++w)
            title += QString::fromUtf16(kWords[(i * 7 + w * 3) % 9]);
        title += QString::number(i);
        QByteArray dat = Codec::toSjis(QStringLiteral("名無し<><>2024/01/01<>本文<>") + title +
                                       QLatin1Char('\n'));
        dat += QByteArray("a<><>b<>c<>\n").repeated(i % 40);
        server.setDat(QStringLiteral("live"), QString::number(1700000000 - i * 600), dat);
    }
    const QString board = server.origin() + QStringLiteral("/live/");

    QVector<double> fills, totals, sorts;
    qint64 bytes = 0;
    for (int run = 0; run < kRuns; ++run) {
        frmThread window;
        window.show();
        auto *list = window.findChild<QTreeWidget *>(QStringLiteral("lvwThread"));
        auto *address = window.findChild<QComboBox *>(QStringLiteral("cmbUrl"));
        QElapsedTimer clock;
        // The last progress text ("N/N") marks the last byte of the body.
        QObject::connect(&window.fetch(), &SubjectFetch::statusChanged, &window,
                         [&](const QString &text) {
                             const QStringList parts = text.split(QLatin1Char('/'));
                             if (parts.size() == 2 && parts[0] == parts[1]) {
                                 bytes = parts[0].toLongLong();
                                 clock.start();
                             }
                         });
        QSignalSpy ended(&window.fetch(), &SubjectFetch::listEnded);
        address->setEditText(board);
        QElapsedTimer total;
        total.start();
        window.mnuReload_Click();
        if (!ended.wait(20000) || list->topLevelItemCount() != kThreads) {
            std::fprintf(stderr, "list incomplete: %d rows\n", list->topLevelItemCount());
            return 1;
        }
        list->repaint();
        fills.append(clock.nsecsElapsed() / 1e6);
        totals.append(total.nsecsElapsed() / 1e6);

        QElapsedTimer sort;
        sort.start();
        emit list->header()->sectionClicked(3);
        list->repaint();
        sorts.append(sort.nsecsElapsed() / 1e6);
    }
    std::printf("subject list: %d threads, %lld bytes\n", kThreads, static_cast<long long>(bytes));
    std::printf("last byte to filled and painted list: median %.1f ms, best %.1f, worst %.1f\n",
                median(fills), *std::min_element(fills.begin(), fills.end()),
                *std::max_element(fills.begin(), fills.end()));
    std::printf("request to filled and painted list (loopback): median %.1f ms\n", median(totals));
    std::printf("header click sort (勢い) and paint: median %.1f ms\n", median(sorts));
    benchNextThread();
    return 0;
}
