// Received lines through the post pipeline: fields, skin, queue and subtitle text. However the
// lines are batched, the view, the queue and the post table come out the same, and every queued
// entry splits back into the fields it was made of. Anchor links leave a post's text as it was.
#include "fuzzcheck.h"

#include "platform/codec.h"
#include "platform/text.h"
#include "rendering/links.h"
#include "rendering/postpipeline.h"
#include "retrieval/threadstate.h"
#include "settings/program.h"
#include "subtitle/makuentry.h"
#include "subtitle/subtitlequeue.h"

namespace {

const QString kSkin = QStringLiteral("[&NUMBER|&NAME|&MAILNAME|&MAIL|&DATE|&MESSAGE]");

struct Settings
{
    Boards::Kind boardKind = Boards::Kind::TwoChannel;
    QString separator;
    bool live = false;
    bool gameOpen = false;
    qint32 resTotal = 0;
    QString keyword;
    QStringList ngWords;
    QVector<bool> commandFlags;
};

struct Result
{
    QStringList html;
    QStringList titles;
    QStringList entries;
    int countdown = 0;
    qint32 resTotal = 0;
    QStringList table; // the stored posts, four fields each
};

Result run(const Settings &s, const QStringList &lines, int batch)
{
    Program program;
    program.opt.Keyword = s.keyword;
    program.flags.GameOpen = s.gameOpen;
    ThreadState state;
    state.BoardKind = s.boardKind;
    state.ResTotal = s.resTotal;
    state.LiveMode = s.live;
    SubtitleQueue queue;
    PostPipeline pipeline(program, state);
    Result r;
    pipeline.setSkins(QStringLiteral("<html><body>"), kSkin);
    pipeline.setNgWords(s.ngWords);
    pipeline.setCommandFlags(s.commandFlags);
    QObject::connect(&pipeline, &PostPipeline::postRendered, &pipeline,
                     [&r](const QString &html) { r.html << html; });
    QObject::connect(&pipeline, &PostPipeline::titleChanged, &pipeline,
                     [&r](const QString &title) { r.titles << title; });
    QObject::connect(&pipeline, &PostPipeline::postQueued, &queue, &SubtitleQueue::queuePost);
    QObject::connect(&pipeline, &PostPipeline::noticeQueued, &queue, &SubtitleQueue::queueNotice);
    for (qsizetype i = 0; i < lines.size(); i += batch)
        pipeline.SetLog(lines.mid(i, batch), s.separator);
    r.entries = queue.entries();
    r.countdown = queue.countdown();
    r.resTotal = state.ResTotal;
    for (qint64 n = s.resTotal + 1; n <= state.ResTotal; ++n) {
        const ResRecord post = pipeline.ResData().value(n);
        r.table << post.Name << post.Mail << post.DateID << post.Message;
    }
    return r;
}

} // namespace

// Input: flags (1 rental board, 2 "," separator, 4 live, 8 game open), posts so far / 4, lines per
// batch, three bytes of command enable flags, then Shift_JIS text: a first line of the keyword
// and NG words separated by tabs, then the received lines.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const uint8_t flags = in.byte();
    Settings s;
    s.boardKind = flags & 1 ? Boards::Kind::Shitaraba : Boards::Kind::TwoChannel;
    s.separator = flags & 2 ? QStringLiteral(",") : QStringLiteral("<>");
    s.live = flags & 4;
    s.gameOpen = flags & 8;
    s.resTotal = in.byte() * 4;
    const int batch = in.byte() % 8 + 1;
    const quint32 bits = in.byte() | in.byte() << 8 | in.byte() << 16;
    for (int i = 0; i < 17; ++i)
        s.commandFlags << bool(bits & (1u << i));
    QStringList lines = Codec::fromSjis(in.rest()).split(QLatin1Char('\n'));
    QStringList words = lines.takeFirst().split(QLatin1Char('\t'));
    s.keyword = words.takeFirst();
    words.removeAll(QString());
    s.ngWords = words;

    // Anchors linked without touching the text (a link adds at most 45 characters, 100 links
    // at most); the text a pop-up shows never longer than the post.
    for (const QString &line : std::as_const(lines)) {
        const QString linked = Links::LinkAnchors(line, QStringLiteral("/t/"));
        FUZZ_EQUAL(RemoveTags(linked), RemoveTags(line));
        FUZZ_CHECK(linked.size() <= line.size() + 100 * 45);
        FUZZ_CHECK(HtmlText(line).size() <= line.size());
    }

    const Result whole = run(s, lines, int(lines.size()) + 1);
    const Result batched = run(s, lines, batch);
    FUZZ_EQUAL(batched.html, whole.html);
    FUZZ_EQUAL(batched.titles, whole.titles);
    FUZZ_EQUAL(batched.entries, whole.entries);
    FUZZ_EQUAL(batched.countdown, whole.countdown);
    FUZZ_EQUAL(batched.table, whole.table);

    // One post per line, numbered on from the posts so far, each written through the skin.
    FUZZ_EQUAL(whole.resTotal, s.resTotal + qint32(lines.size()));
    FUZZ_EQUAL(whole.html.size(), lines.size());
    for (qsizetype i = 0; i < whole.html.size(); ++i) {
        const QString num = QString::number(s.resTotal + i + 1);
        FUZZ_CHECK(whole.html[i].startsWith(QLatin1Char('[') + num + QLatin1Char('|')));
    }
    FUZZ_EQUAL(whole.titles.size(), s.resTotal == 0 && !lines.isEmpty() ? 1 : 0);

    for (const QString &entry : whole.entries) {
        if (entry == PostPipeline::Notice1000())
            continue;
        FUZZ_CHECK(s.live);
        // Command, message, ID, name, number: five fields, whatever a viewer wrote.
        const QStringList fields = SplitMakuEntry(entry);
        FUZZ_EQUAL(entry.count(QLatin1String("<>")), 4);
        const qint64 num = fields[4].toLongLong();
        FUZZ_CHECK(num > s.resTotal && num <= whole.resTotal);
        FUZZ_CHECK(!fields[3].contains(QLatin1Char('<')));
        const QString text = GetMakuReplace(fields[1]);
        if (!fields[1].contains(QLatin1Char('<')) && !fields[1].contains(QLatin1Char('&')))
            FUZZ_CHECK(text == fields[1] || QLatin1Char(' ') + text == fields[1]);
    }
    if (!s.live)
        FUZZ_CHECK(whole.entries.size() <= 1);
    return 0;
}
