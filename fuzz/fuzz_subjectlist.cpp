// The board's thread-list answer: however the connection cuts the bytes, the same rows and the
// same end; every row's cells stay within the answer's size and never span lines.
#include "fuzzcheck.h"

#include "threadlist/subjectresponse.h"

namespace {

using Action = SubjectResponse::Action;

const qint64 kNow = 1700000000;

struct Outcome
{
    QVector<ThreadRow> rows;
    Action end = Action::Progress;
    QString endStatus;
    QString closed;
};

// Feeds the chunks as the list fetch does: until a step ends the exchange, then the close.
Outcome receive(const QList<QByteArray> &chunks, const QString &boardUrl, bool rental)
{
    SubjectResponse r;
    r.reset(boardUrl, rental, kNow);
    Outcome out;
    for (const QByteArray &chunk : chunks) {
        const SubjectResponse::Step s = r.feed(chunk);
        if (s.action == Action::Rejected || s.action == Action::TooMany) {
            out.end = s.action;
            out.endStatus = s.status;
            break;
        }
    }
    out.rows = r.finish();
    out.closed = r.closedText(out.rows.isEmpty());
    return out;
}

bool sameRow(const ThreadRow &a, const ThreadRow &b)
{
    return a.Num == b.Num && a.Title == b.Title && a.Res == b.Res && a.Power == b.Power &&
           a.Url == b.Url && a.file == b.file;
}

} // namespace

// Input: flags (1: the rental board's list, EUC-JP), cut count, two bytes per cut, then the
// answer (status line, header, body).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const bool rental = in.byte() & 1;
    const QList<uint16_t> words = fuzzWords(in, in.byte() % 17);
    const QByteArray answer = in.rest();
    const QString boardUrl = rental ? QStringLiteral("https://jbbs.shitaraba.net/game/12345/")
                                    : QStringLiteral("https://mi.5ch.net/news4vip/");

    const Outcome whole = receive({answer}, boardUrl, rental);
    const Outcome split = receive(fuzzSplit(answer, words), boardUrl, rental);

    FUZZ_EQUAL(split.rows.size(), whole.rows.size());
    for (qsizetype i = 0; i < whole.rows.size(); ++i)
        FUZZ_CHECK(sameRow(split.rows.at(i), whole.rows.at(i)));
    FUZZ_CHECK(split.end == whole.end);
    FUZZ_EQUAL(split.endStatus, whole.endStatus);
    // How much of a cut-off list had arrived is the connection's.
    if (whole.end != Action::TooMany)
        FUZZ_EQUAL(split.closed, whole.closed);

    FUZZ_CHECK(whole.rows.size() <= SubjectLines::kMaxRows);
    if (whole.end == Action::Rejected)
        FUZZ_CHECK(whole.rows.isEmpty());
    // A decoded character never takes more than one byte of the answer, so no cell outgrows it.
    const qsizetype bound = answer.size();
    for (qsizetype i = 0; i < whole.rows.size(); ++i) {
        const ThreadRow &row = whole.rows.at(i);
        FUZZ_EQUAL(row.Num.toInt(), int(i + 1));
        FUZZ_CHECK(row.Num.size() >= 4 && row.Num.size() <= 5);
        FUZZ_CHECK(row.Title.size() <= bound && row.file.size() <= bound);
        FUZZ_CHECK(row.Res.isEmpty() || (row.Res.size() >= 4 && row.Res.size() <= bound + 4));
        FUZZ_CHECK(!row.Res.contains(QLatin1Char('(')));
        FUZZ_CHECK(!row.Title.contains(QLatin1Char('\n')) && !row.Res.contains(QLatin1Char('\n')));
        FUZZ_CHECK(row.Power.isEmpty() || row.Power == QLatin1String("?") || row.Power.size() >= 7);
        FUZZ_CHECK(row.Url.size() <= boardUrl.size() + row.file.size() + 16);
        FUZZ_CHECK(row.Url.startsWith(QStringLiteral("https://")));
        // The address is fetched next: not even a lone CR may reach its request line.
        FUZZ_CHECK(std::none_of(row.Url.cbegin(), row.Url.cend(),
                                [](QChar c) { return c < QChar(0x20); }));
    }
    return 0;
}
