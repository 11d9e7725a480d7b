#include "rendering/links.h"

#include "retrieval/threadaddress.h"

#include <QStringList>
#include <QUrl>

namespace Links {

namespace {

// A post number has at most this many digits; a longer run is no anchor.
constexpr qsizetype kMaxDigits = 5;
// Anchors linked per message; the rest stay text, so a post of commas cannot swell the view.
constexpr int kMaxAnchorLinks = 100;

int digitOf(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'０' && u <= u'９')
        return u - u'０';
    return -1;
}

// The number of 1 to kMaxDigits digits at `at`, `end` after it; -1 when there is none.
int numberAt(QStringView text, qsizetype at, qsizetype *end)
{
    int value = 0;
    qsizetype i = at;
    for (; i < text.size() && digitOf(text.at(i)) >= 0; ++i) {
        if (i - at == kMaxDigits)
            return -1;
        value = value * 10 + digitOf(text.at(i));
    }
    *end = i;
    return i == at ? -1 : value;
}

// A number or a range "N-M" at `at`: the target text ("12", "12-15"), `end` after it.
QString targetAt(QStringView text, qsizetype at, qsizetype *end)
{
    const int from = numberAt(text, at, end);
    if (from < 0)
        return QString();
    QString target = QString::number(from);
    qsizetype toEnd = 0;
    int to = -1;
    if (*end < text.size() && (text.at(*end) == u'-' || text.at(*end) == u'－'))
        to = numberAt(text, *end + 1, &toEnd);
    if (to >= 0) {
        target += QLatin1Char('-') + QString::number(to);
        *end = toEnd;
    }
    return target;
}

// True for a tag "<name" followed by a blank, "/" or ">", in any case.
bool isTag(QStringView tag, QLatin1String name)
{
    if (!tag.mid(1).startsWith(name, Qt::CaseInsensitive))
        return false;
    const QChar after = tag.at(1 + name.size());
    return after == u'>' || after == u'/' || after.isSpace();
}

// Length of an anchor's leading marks at `at`, or 0.
qsizetype marksAt(QStringView text, qsizetype at, bool lineStart)
{
    const QStringView rest = text.mid(at);
    if (rest.startsWith(QLatin1String("&gt;&gt;")))
        return 8;
    if (rest.startsWith(QStringView(u"＞＞")))
        return 2;
    return lineStart && rest.startsWith(QLatin1String("&gt;")) ? 4 : 0;
}

} // namespace

QString LinkAnchors(const QString &message, const QString &base)
{
    const QStringView text(message);
    const QString open = QLatin1String("<a href=\"") + base.toHtmlEscaped();
    QString out;
    out.reserve(message.size());
    int links = 0;
    const auto link = [&](const QString &target, QStringView shown) {
        out += open + target + QLatin1String("\" target=\"_blank\">");
        out += shown;
        out += QLatin1String("</a>");
        ++links;
    };
    bool inLink = false;
    bool lineStart = true; // only blanks since the message's start or a <br>
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text.at(i);
        if (c == u'<') {
            const qsizetype close = message.indexOf(QLatin1Char('>'), i);
            if (close < 0) {
                out += text.mid(i);
                break;
            }
            const QStringView tag = text.mid(i, close + 1 - i);
            if (isTag(tag, QLatin1String("a")))
                inLink = true;
            else if (isTag(tag, QLatin1String("/a")))
                inLink = false;
            else if (isTag(tag, QLatin1String("br")))
                lineStart = true;
            out += tag;
            i = close + 1;
            continue;
        }
        const qsizetype marks =
            inLink || links >= kMaxAnchorLinks ? 0 : marksAt(text, i, lineStart);
        qsizetype end = 0;
        const QString target = marks ? targetAt(text, i + marks, &end) : QString();
        if (target.isEmpty()) {
            lineStart = lineStart && c == u' ';
            out += c;
            ++i;
            continue;
        }
        link(target, text.mid(i, end - i));
        i = end;
        lineStart = false;
        // "&gt;&gt;1,3": every further number of the list its own link.
        while (links < kMaxAnchorLinks && i + 1 < text.size() &&
               (text.at(i) == u',' || text.at(i) == u'，')) {
            const QString next = targetAt(text, i + 1, &end);
            if (next.isEmpty())
                break;
            out += text.at(i);
            link(next, text.mid(i + 1, end - i - 1));
            i = end;
        }
    }
    return out;
}

QString AnchorBase(const QString &threadUrl)
{
    const QString path = GetPath(threadUrl);
    return path.isEmpty() ? QStringLiteral("/") : path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

bool IsWebAddress(const QString &target)
{
    return target.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           target.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

bool IsOpenableScheme(const QString &target)
{
    return IsWebAddress(target) || target.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive);
}

bool IsPictureAddress(const QString &target)
{
    const QString upper = target.toUpper();
    for (const char *ext : {".JPG", ".JPEG", ".GIF", ".PNG", ".BMP"}) {
        if (upper.contains(QLatin1String(ext)))
            return true;
    }
    return false;
}

QString DesktopAddress(const QString &target)
{
    const qsizetype query = target.indexOf(QLatin1Char('?'));
    if (query < 0 || !target.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive))
        return target;
    QStringList kept;
    for (const QString &item : target.mid(query + 1).split(QLatin1Char('&'))) {
        const QString name =
            QUrl::fromPercentEncoding(item.section(QLatin1Char('='), 0, 0).toUtf8()).trimmed();
        if (name.compare(QLatin1String("attach"), Qt::CaseInsensitive) != 0 &&
            name.compare(QLatin1String("attachment"), Qt::CaseInsensitive) != 0)
            kept << item;
    }
    return target.left(query) +
           (kept.isEmpty() ? QString() : QLatin1Char('?') + kept.join(QLatin1Char('&')));
}

Action Classify(const QString &target)
{
    // A board's HTML may link to anything; only these schemes leave the program.
    if (!IsOpenableScheme(target))
        return Action::Refuse;
    if (!IsWebAddress(target))
        return Action::OpenExternal; // mailto:
    if (IsReadCgi(target))
        return IsRefusedBoard(target) ? Action::RefusedBoard : Action::LoadThread;
    // The rental board serves https today, so its thread addresses in posts are https.
    if (IsShitaraba(target))
        return Action::LoadThread;
    return IsPictureAddress(target) ? Action::ShowPicture : Action::OpenExternal;
}

const QString &RefusedSchemeText()
{
    static const QString text = QStringLiteral("http、https、mailto以外のリンクは開きません");
    return text;
}

const QString &RefusedBoardText()
{
    static const QString text =
        QStringLiteral("2chはあえて読めないようにしてあるので、通常のブラウザで開きます");
    return text;
}

} // namespace Links
