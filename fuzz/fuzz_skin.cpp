// One post through the skin: the filled HTML grows at most by a small constant times the fields
// for each placeholder the skin holds (a placeholder inside a field stays text), and whatever a
// field holds, only the listed harmless tags reach the thread view.
#include "fuzzcheck.h"

#include "platform/codec.h"
#include "rendering/links.h"
#include "rendering/postmarkup.h"
#include "rendering/postpipeline.h"
#include "rendering/skin.h"
#include "retrieval/threadstate.h"
#include "settings/program.h"

#include <QRegularExpression>

namespace {

// Every "<" of a cleaned field starts one of these tags, built as the rule builds them.
void checkClean(const QString &html)
{
    static const QRegularExpression tag(QStringLiteral(
        "</?(a|b|big|br|code|em|font|hr|i|rp|rt|ruby|s|small|span|strike|strong|sub|sup|tt|u|wbr)"
        "( (href|target|color|size|face)=\"[^\"<>]*\")*>"));
    const QString clean = PostMarkup::Clean(html);
    qsizetype opened = 0;
    for (qsizetype at = clean.indexOf(QLatin1Char('<')); at >= 0;
         at = clean.indexOf(QLatin1Char('<'), at + 1)) {
        FUZZ_CHECK(tag.match(clean, at, QRegularExpression::NormalMatch,
                             QRegularExpression::AnchorAtOffsetMatchOption)
                       .hasMatch());
        opened += clean.at(at + 1) != QLatin1Char('/');
    }
    FUZZ_CHECK(opened <= PostMarkup::kMaxTags);
    FUZZ_CHECK(clean.size() <= 6 * html.size() + 8 * PostMarkup::kMaxTags);
}

} // namespace

// Input: Shift_JIS text, its first line the post skin (at most 512 characters), the rest one
// data line: name<>mail<>date<>message<>.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const QString text = Codec::fromSjis(in.rest());
    const qsizetype lf = text.indexOf(QLatin1Char('\n'));
    const QString skin = text.left(qMin<qsizetype>(lf < 0 ? text.size() : lf, 512));
    const QString line = lf < 0 ? QString() : text.mid(lf + 1);
    const QStringList f = (line + QStringLiteral("<><><><>")).split(QStringLiteral("<>"));
    const qsizetype placeholders = skin.count(QLatin1Char('&'));

    // The fill alone: each placeholder of the skin adds one field, never a field's own tokens.
    const QString mailName = Skin::GetMailName(f[0], f[1]);
    const qsizetype fields =
        1 + f[0].size() + mailName.size() + f[1].size() + f[2].size() + f[3].size();
    const QString filled =
        Skin::FillResSkin(skin, QStringLiteral("1"), f[0], mailName, f[1], f[2], f[3]);
    FUZZ_CHECK(filled.size() <= skin.size() + placeholders * fields);
    FUZZ_EQUAL(Skin::FillResSkin(QStringLiteral("&MESSAGE"), {}, {}, {}, {}, {}, f[3]), f[3]);

    // The whole post with its links, as the view gets it.
    Program program;
    ThreadState state;
    PostPipeline pipeline(program, state);
    pipeline.setResSkin(skin);
    QString html;
    QObject::connect(&pipeline, &PostPipeline::postRendered, &pipeline,
                     [&html](const QString &h) { html = h; });
    pipeline.SetLog({line}, QStringLiteral("<>"));
    FUZZ_CHECK(html.size() <= skin.size() + placeholders * (16 * line.size() + 8192));

    const QString message = Links::LinkAnchors(Skin::LinkAddresses(f[3]), QStringLiteral("/t/"));
    for (const QString &field :
         {f[0], mailName, f[1], Skin::LinkId(f[2], Skin::LinkTargetId(f[2])), message})
        checkClean(field);
    return 0;
}
