// Received lines through the post pipeline: fields, skin, queue and subtitle text. However the
// lines are batched, the view, the queue and the post table come out the same, and every queued
// entry holds the fields of its post. Anchor links leave a post's text as it was.
#include "fuzzcheck.h"

#include "platform/codec.h"
#include "platform/text.h"
#include "rendering/links.h"
#include "rendering/postpipeline.h"
#include "retrieval/threadloader.h"
#include "retrieval/threadstate.h"
#include "settings/commandwords.h"
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
    QList<MakuEntry> queued;
    QStringList entries; // the queue list's texts
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
    pipeline.setResSkin(kSkin);
    pipeline.setNgWords(s.ngWords);
    pipeline.setCommandFlags(s.commandFlags);
    QObject::connect(&pipeline, &PostPipeline::postRendered, &pipeline,
                     [&r](const QString &html) { r.html << html; });
    QObject::connect(&pipeline, &PostPipeline::titleChanged, &pipeline,
                     [&r](const QString &title) { r.titles << title; });
    QObject::connect(&pipeline, &PostPipeline::postQueued, &queue, &SubtitleQueue::queuePost);
    QObject::connect(&pipeline, &PostPipeline::noticeQueued, &queue, &SubtitleQueue::queueNotice);
    // The loader counts the posts taken.
    ThreadLoader loader(state);
    QObject::connect(&pipeline, &PostPipeline::postsTaken, &loader, &ThreadLoader::addPosts);
    for (qsizetype i = 0; i < lines.size(); i += batch)
        pipeline.SetLog(lines.mid(i, batch), s.separator);
    r.queued = queue.entries();
    for (const MakuEntry &e : std::as_const(r.queued))
        r.entries << e.listText();
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
    for (int i = 0; i < Commands::CommandWords().size(); ++i)
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

    for (const MakuEntry &entry : whole.queued) {
        if (entry.kind == MakuEntry::Kind::Notice) {
            FUZZ_EQUAL(entry.listText(), PostPipeline::Notice1000().listText());
            continue;
        }
        FUZZ_CHECK(s.live && entry.kind == MakuEntry::Kind::Post);
        // The post's own number, a name without tags, whatever a viewer wrote.
        const qint64 num = entry.number.toLongLong();
        FUZZ_CHECK(num > s.resTotal && num <= whole.resTotal);
        FUZZ_CHECK(!entry.name.contains(QLatin1Char('<')));
        const QString text = entry.text();
        if (!entry.message.contains(QLatin1Char('<')) && !entry.message.contains(QLatin1Char('&')))
            FUZZ_CHECK(text == entry.message || QLatin1Char(' ') + text == entry.message);
    }
    if (!s.live)
        FUZZ_CHECK(whole.queued.size() <= 1);
    return 0;
}
