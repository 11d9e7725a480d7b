// The thread-data response parser: whatever the bytes and however the connection cuts them into
// chunks, the lines handed on, the local copy and the way the load ends are those of one feed.
#include "fuzzcheck.h"

#include "retrieval/datresponse.h"

namespace {

using Action = DatResponse::Action;

struct Outcome
{
    QStringList lines;
    QStringList separators; // the separator each line was handed on with
    Action end = Action::Wait;
    QString endStatus;
    QByteArray datBytes;
    qint32 lineDone = 0;
    qint64 recvSize = 0;
    QString header;
};

// Receives the chunks as the fetch does: until a step ends the load, then the server's close
// (or, with `abandon`, a socket error).
Outcome receive(const QList<QByteArray> &chunks, bool rental, bool range, const QString &kept,
                const QByteArray &copy, bool abandon)
{
    DatResponse r;
    // A Range request asks from the local copy's last byte, as the fetch does.
    r.reset(rental, range, kept, range && !copy.isEmpty() ? copy.size() - 1 : -1, copy);
    Outcome out;
    out.datBytes = copy;
    const auto take = [&out](const DatResponse::Step &s) {
        out.datBytes += s.append;
        out.lines += s.lines;
        for (qsizetype i = 0; i < s.lines.size(); ++i)
            out.separators << s.separator;
        out.end = s.action;
        out.endStatus = s.status;
    };
    bool ended = false;
    for (const QByteArray &chunk : chunks) {
        const DatResponse::Step s = r.feed(chunk);
        take(s);
        if (s.action == Action::TooLarge)
            take(r.abandon(s.status));
        if (s.action != Action::Wait && s.action != Action::Lines) {
            ended = true;
            break;
        }
    }
    if (!ended)
        take(abandon ? r.abandon(QStringLiteral("error")) : r.close());
    out.lineDone = r.LineDone();
    out.recvSize = r.RecvSize();
    out.header = r.RecvHeader();
    return out;
}

} // namespace

// Input: flags, cut count, two bytes per cut, then the response bytes.
// Flags: 1 rental board, 2 Range request, 4 socket error instead of the close,
// 8 "," kept from the last response, 16 a local copy to extend.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const uint8_t flags = in.byte();
    const QList<uint16_t> words = fuzzWords(in, in.byte() % 17);
    const QByteArray response = in.rest();

    const bool rental = flags & 1;
    const bool range = flags & 2;
    const bool abandon = flags & 4;
    const QString kept = flags & 8 ? QStringLiteral(",") : QStringLiteral("<>");
    const QByteArray copy = flags & 16 ? QByteArrayLiteral("a<>b<>c<>d<>e\n") : QByteArray();

    const Outcome whole = receive({response}, rental, range, kept, copy, abandon);
    const Outcome split = receive(fuzzSplit(response, words), rental, range, kept, copy, abandon);

    FUZZ_EQUAL(split.lines, whole.lines);
    FUZZ_CHECK(split.end == whole.end);
    FUZZ_EQUAL(split.endStatus, whole.endStatus);
    FUZZ_EQUAL(split.datBytes, whole.datBytes);
    FUZZ_EQUAL(split.lineDone, whole.lineDone);
    // A refused answer ends the load at once; how much of it had arrived is the connection's.
    if (whole.end == Action::Finished || whole.end == Action::Interrupted)
        FUZZ_EQUAL(split.recvSize, whole.recvSize);
    FUZZ_EQUAL(split.header, whole.header);

    // The separator is decided from what has arrived once the first line is whole. Only a
    // response whose first line lacks "<>" while later text has it may be decided either way.
    const bool decided =
        !whole.lines.isEmpty() && (whole.lines.first().contains(QLatin1String("<>")) ||
                                   whole.separators.first() == QLatin1String(","));
    if (decided)
        FUZZ_EQUAL(split.separators, whole.separators);
    return 0;
}
