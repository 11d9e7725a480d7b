// The next-thread rules on any posts and any list: a chosen thread is always a newer one of the
// same board, named by an address the program builds itself; titles reduce to bounded text
// without blanks; a caption is one bounded line.
#include "fuzzcheck.h"

#include "threadlist/nextthread.h"

namespace {

const QString kCurrent = QStringLiteral("http://b/test/read.cgi/live/1000/");

} // namespace

// Input: the byte where the posts end and the list begins (as a share of 255), then UTF-8 text:
// posts one a line, then the board's subject list.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const int share = in.byte();
    const QString text = QString::fromUtf8(in.rest());
    const qsizetype cut = text.size() * share / 255;

    QVector<PostText> posts;
    qint32 number = 900;
    for (const QString &line : text.left(cut).split(QLatin1Char('\n')))
        posts.append({++number, line});
    SubjectLines lines;
    lines.reset(QStringLiteral("http://b/live/"), false, 0);
    lines.add(text.mid(cut));
    const QVector<ThreadRow> rows = lines.finish();

    const NextThreadCandidate c = ChooseNextThread(
        kCurrent, text.left(cut).section(QLatin1Char('\n'), 0, 0), posts, rows, {2000});
    if (c.isValid()) {
        FUZZ_CHECK(c.key > 1000 && c.key != 2000);
        FUZZ_EQUAL(c.url, QStringLiteral("http://b/test/read.cgi/live/%1/").arg(c.key));
        const QString caption = NextThreadCaption(c);
        FUZZ_CHECK(caption.size() <= 6 + 81 + 2 + c.url.size());
        FUZZ_CHECK(std::none_of(caption.cbegin(), caption.cend(),
                                [](QChar ch) { return ch < QChar(0x20); }));
    }

    const ThreadTitleKey key = NormalizeThreadTitle(text);
    // NFKC lengthens a character at most 18 times.
    FUZZ_CHECK(key.base.size() <= 18 * ThreadTitleKey::kMaxTitle);
    FUZZ_CHECK(key.number >= -1 && key.number <= 999999999);
    FUZZ_CHECK(std::none_of(key.base.cbegin(), key.base.cend(), [](QChar ch) {
        return ch.isSpace() || ch == QLatin1Char('(') || ch == QChar(0x3010);
    }));
    return 0;
}
