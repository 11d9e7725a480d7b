#include "rendering/popups.h"

#include "platform/text.h"
#include "rendering/posttable.h"

namespace Popups {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kIndent = QStringLiteral("    ");
// The table always answered for numbers 0 to 10001; a longer thread answers up to its end.
constexpr qint64 kTableEnd = 10001;
// A range wider than this is refused.
constexpr qint64 kRangeLimit = 300;
// Panel margins in twips (15 per pixel): the header strip above the label, a border round it.
constexpr int kTwips = 15;
constexpr int kExtraHeight = 260;
constexpr int kExtraWidth = 60;
// The panel's lower left corner sits this far above and to the right of the pointer.
constexpr int kAbove = 90;
constexpr int kRight = 300;

// The message as the view shows it, each line indented.
QString indentedMessage(const QString &message)
{
    QString msg = message;
    msg.replace(QStringLiteral("<br>"), kCrLf + kIndent);
    return kIndent + HtmlText(msg);
}

// A whole decimal number, else 0 (as a part that is not a number leaves its value at 0).
qint64 numberOf(const QString &text)
{
    bool ok = false;
    const qint64 n = text.trimmed().toLongLong(&ok);
    return ok ? n : 0;
}

} // namespace

Request ParseStatusText(const QString &S)
{
    Request r;
    if (S.startsWith(QLatin1String("mailto")) || S.startsWith(QLatin1String("http")))
        return r;
    if (S.contains(QLatin1Char('/'))) {
        QString last = S.mid(S.lastIndexOf(QLatin1Char('/')) + 1);
        last.remove(QLatin1Char('n'));
        const qsizetype dash = last.indexOf(QLatin1Char('-'));
        r.kind = Request::Kind::Range;
        r.from = numberOf(dash < 0 ? last : last.left(dash));
        r.to = dash < 0 ? r.from : numberOf(last.mid(dash + 1));
        return r;
    }
    if (S.startsWith(QLatin1String("id:")) && S.size() > 3) {
        r.kind = Request::Kind::Id;
        // The view may hand the escape over as "%2F"; the date field holds "%2f".
        r.id = S;
        r.id.replace(QStringLiteral("%2F"), QStringLiteral("%2f"));
    }
    return r;
}

QString PopupText(const Request &request, const Thread &thread)
{
    switch (request.kind) {
    case Request::Kind::Range:
        if (request.to - request.from > kRangeLimit)
            return QStringLiteral("対象が多すぎるのでポップアップできません");
        return GetPopupRes(thread, request.from, request.to);
    case Request::Kind::Id:
        return GetSameId(thread, request.id);
    case Request::Kind::None:
        break;
    }
    return QString();
}

QString GetPopupRes(const Thread &thread, qint64 StartPos, qint64 EndPos)
{
    if (EndPos < StartPos)
        return QStringLiteral(""); // an empty pop-up, not "no pop-up"
    if (StartPos < 0 || EndPos > qMax<qint64>(kTableEnd, thread.ResTotal))
        return QStringLiteral("なんかエラー");
    // Every number past the last post received replaces the text; the last one stays.
    if (EndPos > thread.ResTotal)
        return QStringLiteral(">>") + QString::number(EndPos) + QStringLiteral("に期待");
    QString result;
    for (qint64 n = StartPos; n <= EndPos; ++n) {
        const ResRecord post = thread.ResData.value(n);
        if (!result.isEmpty())
            result += kCrLf;
        result += QString::number(n) + QLatin1Char(' ') + HtmlText(post.Name) + QLatin1Char(' ') +
                  HtmlText(post.DateID);
        if (thread.twoCh)
            result += kCrLf;
        result += indentedMessage(post.Message);
    }
    return result;
}

QString GetSameId(const Thread &thread, const QString &IDStr)
{
    static const QString kNone = QStringLiteral("？");
    if (IDStr == QLatin1String("id:???") || IDStr == QLatin1String("id:???0") ||
        IDStr == QLatin1String("id:???O"))
        return kNone;
    const QString id = IDStr.mid(3);
    QString result;
    for (qint64 i = 1; i <= thread.ResTotal; ++i) {
        const ResRecord post = thread.ResData.value(i);
        if (!post.DateID.contains(id))
            continue;
        if (!result.isEmpty())
            result += kCrLf;
        result += QString::number(i) + QLatin1Char(' ') + HtmlText(post.Name) +
                  QStringLiteral(" [") + HtmlText(post.Mail) + QStringLiteral("] ") +
                  HtmlText(post.DateID);
        if (thread.twoCh)
            result += kCrLf;
        result += indentedMessage(post.Message);
    }
    return result.isEmpty() ? kNone : result;
}

QRect PanelRect(QPoint pointer, QSize labelSize, QSize innerSize)
{
    const int innerWidth = innerSize.width() * kTwips;
    const int innerHeight = innerSize.height() * kTwips;
    const int width = qMin(labelSize.width() * kTwips + kExtraWidth, innerWidth);
    const int height = qMin(labelSize.height() * kTwips + kExtraHeight, innerHeight);
    int top = pointer.y() * kTwips - height - kAbove;
    int left = pointer.x() * kTwips + kRight;
    if (top < 0)
        top = 0;
    if (left + width > innerWidth)
        left = innerWidth - width;
    top = qMin(top, innerHeight - height);
    return QRect(left / kTwips, top / kTwips, width / kTwips, height / kTwips);
}

} // namespace Popups
