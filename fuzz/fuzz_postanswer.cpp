// The board's answer to a post: the verdict is one of the known kinds and the same every time,
// and the cookie built from the answer's Set-Cookie lines cannot break the next request's
// header. The address check before the post window opens is judged on the same text.
#include "fuzzcheck.h"

#include "platform/codec.h"
#include "posting/postrequest.h"

#include <QStringList>

namespace {

using Outcome = PostVerdict::Outcome;

bool hasControl(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    }
    return false;
}

} // namespace

// Input: flags (1: the answer in EUC-JP, as the rental board sends it), then the answer; its
// first line also serves as the address typed in the address bar.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const bool euc = in.byte() & 1;
    const QByteArray bytes = in.rest();
    const QString answer = euc ? Codec::EucToSjis(bytes) : Codec::fromSjis(bytes);

    const PostVerdict verdict = JudgePostAnswer(answer);
    FUZZ_CHECK(verdict.outcome == Outcome::Written || verdict.outcome == Outcome::Failed ||
               verdict.outcome == Outcome::Confirmation);
    const PostVerdict again = JudgePostAnswer(answer);
    FUZZ_CHECK(again.outcome == verdict.outcome);
    FUZZ_EQUAL(again.text, verdict.text);
    if (answer.isEmpty())
        FUZZ_CHECK(verdict.outcome == Outcome::Failed);
    // A post only counts as written when the page says so in its title.
    if (verdict.outcome != Outcome::Failed)
        FUZZ_CHECK(answer.contains(QStringLiteral("<title>")));

    PostFields fields;
    fields.name = QStringLiteral("名無し");
    fields.mail = QStringLiteral("sage");
    const QString cookie = PostCookie(fields, answer);
    FUZZ_EQUAL(PostCookie(fields, answer), cookie);
    // Each pair is one header value: no line break, no control byte, no extra ";" pair.
    FUZZ_CHECK(!hasControl(cookie));
    const QStringList pairs = cookie.split(QStringLiteral("; "));
    FUZZ_CHECK(pairs.size() >= 2 && pairs.size() <= 20);
    FUZZ_CHECK(pairs.at(0).startsWith(QStringLiteral("NAME=")));
    FUZZ_CHECK(pairs.at(1).startsWith(QStringLiteral("MAIL=")));
    QStringList names;
    for (const QString &pair : pairs) {
        FUZZ_CHECK(!pair.contains(QLatin1Char(';')));
        FUZZ_CHECK(pair.size() <= 1024);
        const QString name = pair.left(pair.indexOf(QLatin1Char('=')));
        FUZZ_CHECK(!name.isEmpty() && !names.contains(name));
        names << name;
    }
    // The cookie goes into a request whose header still ends where it should.
    const QByteArray request =
        PostRequest(QStringLiteral("https://mi.5ch.net/test/read.cgi/news4vip/1700000000/"), fields,
                    QStringLiteral("a=b"), cookie);
    FUZZ_EQUAL(request.count("\r\n\r\n"), qsizetype(1));
    FUZZ_EQUAL(request.count('\n'), request.count("\r\n"));
    FUZZ_EQUAL(request.count('\r'), request.count("\r\n"));

    const QString address = answer.left(answer.indexOf(QLatin1Char('\n')));
    const PostTarget target = CheckPostAddress(address);
    FUZZ_CHECK(target.open == target.status.isEmpty());
    FUZZ_CHECK(address.startsWith(target.address));
    if (target.open && !target.twoChannel)
        FUZZ_CHECK(target.address.endsWith(QLatin1Char('/')));
    FUZZ_EQUAL(CheckPostAddress(address).address, target.address);
    return 0;
}
