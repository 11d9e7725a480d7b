#include "threadlist/nextthread.h"

#include "retrieval/threadstate.h"

#include <QHash>
#include <tuple>

namespace {

constexpr qsizetype kMaxNumberDigits = 9;
// A thread address is short; a longer run of address characters is not one.
constexpr qsizetype kMaxLinkBack = 256;
constexpr qsizetype kMaxLinkAhead = 256;
// Distinct threads named in the last posts that are weighed; the latest posts' come first.
constexpr int kMaxLinkedThreads = 64;
constexpr qsizetype kMaxCaptionTitle = 80;

bool isAsciiLetter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isBracket(QChar c)
{
    switch (c.unicode()) {
    case '(':
    case ')':
    case '[':
    case ']':
    case '{':
    case '}':
    case '<':
    case '>':
        return true;
    default:
        // 〈〉《》「」『』【】〔〕〖〗〘〙〚〛
        return c.unicode() >= 0x3008 && c.unicode() <= 0x301b && c.unicode() != 0x3012 &&
               c.unicode() != 0x3013;
    }
}

// What may stand next to a number after "Part", "その", "★" or "No".
bool isNumberLead(QChar c)
{
    return c.isSpace() || c == QLatin1Char('.') || c == QLatin1Char('#') || c == QLatin1Char(':');
}

// Characters an address pasted into a post is made of.
bool isAddressChar(QChar c)
{
    return c.unicode() > 0x20 && c.unicode() < 0x7f && c != QLatin1Char('<') &&
           c != QLatin1Char('>') && c != QLatin1Char('"') && c != QLatin1Char('\'');
}

// The length of a marker that can carry a part number at `at`, 0 when there is none.
qsizetype markerAt(QStringView s, qsizetype at, bool *star)
{
    *star = false;
    switch (s.at(at).unicode()) {
    case 0x2605: // ★
    case 0x2606: // ☆
        *star = true;
        return 1;
    case 0x305d: // そ
        return s.mid(at, 2) == u"その" ? 2 : 0;
    case 'p':
    case 'n':
        // "Part" and "No" only as words of their own: not the end of "counterpart" or "piano".
        if (at > 0 && isAsciiLetter(s.at(at - 1)))
            return 0;
        if (s.mid(at, 4) == u"part")
            return 4;
        return s.mid(at, 2) == u"no" ? 2 : 0;
    default:
        return 0;
    }
}

// A thread named by a post, with what speaks for it.
struct Link
{
    qint32 post = 0;
    bool saysNext = false;
};

// The threads of the current board with a newer key that the posts name, the latest posts first.
QHash<qint64, Link> linkedThreads(const ThreadId &current, const QVector<PostText> &posts)
{
    static const QString marker = QStringLiteral("read.cgi/");
    QHash<qint64, Link> links;
    for (qsizetype p = posts.size() - 1; p >= 0; --p) {
        const QString &m = posts.at(p).message;
        const bool saysNext = m.contains(QStringLiteral("次スレ"));
        qsizetype done = 0;
        for (qsizetype at = m.indexOf(marker); at >= 0; at = m.indexOf(marker, done)) {
            qsizetype start = at;
            while (start > done && at - start < kMaxLinkBack && isAddressChar(m.at(start - 1)))
                --start;
            qsizetype end = at + marker.size();
            while (end < m.size() && end - at < kMaxLinkAhead && isAddressChar(m.at(end)))
                ++end;
            done = end;
            // Posts often leave out the "h" ("ttp://") so that the board makes no link of it.
            const QStringView token = QStringView(m).mid(start, end - start);
            const qsizetype colon = token.indexOf(u"://");
            const QStringView scheme = token.left(std::max<qsizetype>(colon, 0));
            QString address;
            if (scheme.endsWith(u"ttps"))
                address = QStringLiteral("https") + token.mid(colon).toString();
            else if (scheme.endsWith(u"ttp"))
                address = QStringLiteral("http") + token.mid(colon).toString();
            else
                continue;
            const ThreadId id = ThreadIdOf(address);
            if (id.key <= current.key || id.board != current.board)
                continue;
            auto it = links.find(id.key);
            if (it == links.end()) {
                if (links.size() >= kMaxLinkedThreads)
                    continue;
                it = links.insert(id.key, Link{posts.at(p).number, saysNext});
            }
            it->saysNext = it->saysNext || saysNext;
        }
    }
    return links;
}

} // namespace

ThreadTitleKey NormalizeThreadTitle(const QString &title)
{
    const QString s = title.left(ThreadTitleKey::kMaxTitle)
                          .normalized(QString::NormalizationForm_KC)
                          .toCaseFolded();
    ThreadTitleKey key;
    key.base.resize(s.size());
    QChar *out = key.base.data();
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n;) {
        bool star = false;
        const qsizetype marker = markerAt(s, i, &star);
        if (marker > 0) {
            qsizetype digits = i + marker;
            while (digits < n && isNumberLead(s.at(digits)))
                ++digits;
            qsizetype end = digits;
            while (end < n && isDigit(s.at(end)))
                ++end;
            if (end > digits) {
                key.number = QStringView(s)
                                 .mid(digits, std::min(end - digits, kMaxNumberDigits))
                                 .toLongLong();
                i = end;
                continue;
            }
            // A lone star decorates; a lone "その" or "No" is part of the title.
            if (star) {
                ++i;
                continue;
            }
        }
        const QChar c = s.at(i);
        if (!c.isSpace() && !isBracket(c))
            *out++ = c;
        ++i;
    }
    key.base.truncate(out - key.base.constData());
    return key;
}

ThreadId ThreadIdOf(const QString &threadUrl)
{
    ThreadId id;
    const QString board = BoardUrlOf(threadUrl);
    if (board.isEmpty())
        return id;
    const bool rental = IsRentalBoardUrl(board);
    const QString readCgi = rental ? QStringLiteral("read.cgi/") : QStringLiteral("test/read.cgi/");
    const qsizetype at = threadUrl.indexOf(readCgi);
    if (at < 0)
        return id;
    // After read.cgi: BOARD/KEY, or the rental board's CATEGORY/NUMBER/KEY.
    const QList<QStringView> parts =
        QStringView(threadUrl).mid(at + readCgi.size()).split(QLatin1Char('/'));
    const int keyAt = rental ? 2 : 1;
    if (parts.size() <= keyAt)
        return id;
    const qint64 key = ThreadKeyOf(parts.at(keyAt).toString());
    if (key < 0 || parts.at(keyAt).contains(QLatin1Char('.')))
        return id;
    const qsizetype hostStart = board.indexOf(QLatin1String("://")) + 3;
    const qsizetype hostEnd = board.indexOf(QLatin1Char('/'), hostStart);
    QString host = board.mid(hostStart, hostEnd - hostStart).toLower();
    // The rental board's old host still serves the same boards.
    if (host == Boards::kRentalOldHost)
        host = Boards::kRentalNewHost;
    id.board = host + board.mid(hostEnd);
    id.key = key;
    return id;
}

ThreadEndFacts EndFactsOf(const ThreadState &state, const DatResponse &response,
                          DatFetch::LoadEnd how)
{
    ThreadEndFacts facts;
    facts.kind = state.BoardKind;
    facts.posts = state.ResTotal;
    if (how == DatFetch::LoadEnd::Rejected)
        facts.refusedStatus = response.statusLine().section(QLatin1Char(' '), 1, 1).toInt();
    facts.rentalStopped =
        state.BoardKind == Boards::Kind::Shitaraba && RentalThreadStopped(response.RecvHeader());
    return facts;
}

bool IsThreadOver(const ThreadEndFacts &facts, bool successorKnown)
{
    // A thread never read is no thread that ended.
    if (facts.posts <= 0)
        return false;
    switch (facts.refusedStatus) {
    case 301:
    case 302:
    case 303:
    case 307:
    case 308:
    case 403:
    case 404:
    case 410:
        return true;
    default:
        break;
    }
    if (facts.kind == Boards::Kind::Shitaraba)
        return facts.rentalStopped || facts.posts >= 1000;
    return facts.posts >= 1001 || (facts.posts >= 1000 && successorKnown);
}

bool RentalThreadStopped(const QString &header)
{
    for (QStringView line : QStringView(header).split(QLatin1Char('\n'))) {
        if (line.startsWith(u"ERROR:", Qt::CaseInsensitive) && !line.mid(6).trimmed().isEmpty())
            return true;
    }
    return false;
}

bool ListDue(const SearchMoment &moment)
{
    using namespace NextThreadSearch;
    if (moment.named)
        return false;
    if (moment.over)
        return moment.sinceOver <= kSearchWindowMs;
    if (moment.posts < kQuietFrom)
        return false;
    return moment.sinceList < 0 ||
           moment.sinceList >= (moment.posts >= 1000 ? 0 : kQuietIntervalMs);
}

NextThreadCandidate ChooseNextThread(const QString &currentUrl, const QString &currentTitle,
                                     const QVector<PostText> &lastPosts,
                                     const QVector<ThreadRow> &rows, const QSet<qint64> &excluded)
{
    const ThreadId current = ThreadIdOf(currentUrl);
    if (current.key < 0)
        return {};
    QString title = currentTitle;
    QHash<qint64, qsizetype> newer; // key → row
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const qint64 key = ThreadKeyOf(rows.at(i).file);
        if (key == current.key && title.isEmpty())
            title = rows.at(i).Title;
        else if (key > current.key && !excluded.contains(key))
            newer.insert(key, i);
    }
    const ThreadTitleKey wanted = NormalizeThreadTitle(title);
    const auto matches = [&](qsizetype row, ThreadTitleKey *key) {
        *key = NormalizeThreadTitle(rows.at(row).Title);
        return !wanted.base.isEmpty() && key->base == wanted.base;
    };
    const QString boardUrl = BoardUrlOf(currentUrl);
    const auto candidate = [&](qint64 key, const QString &t) {
        return NextThreadCandidate{
            ThreadUrlOf(boardUrl, QString::number(key) + QLatin1String(".dat")), t.trimmed(), key};
    };

    std::tuple<bool, bool, qint32> bestLink{};
    NextThreadCandidate chosen;
    const QHash<qint64, Link> links = linkedThreads(current, lastPosts);
    for (auto it = links.cbegin(); it != links.cend(); ++it) {
        if (excluded.contains(it.key()))
            continue;
        const auto row = newer.constFind(it.key());
        ThreadTitleKey listed;
        // The list lags behind the board, so a thread it does not show yet may still be new.
        if (row != newer.cend() && !matches(*row, &listed))
            continue;
        const std::tuple<bool, bool, qint32> rank{row != newer.cend(), it->saysNext, it->post};
        if (!chosen.isValid() || rank > bestLink) {
            bestLink = rank;
            chosen = candidate(it.key(), row != newer.cend() ? rows.at(*row).Title : QString());
        }
    }
    if (chosen.isValid())
        return chosen;

    const qint64 following = (wanted.number < 0 ? 1 : wanted.number) + 1;
    std::tuple<bool, qint64> bestRow{};
    for (auto it = newer.cbegin(); it != newer.cend(); ++it) {
        ThreadTitleKey listed;
        if (!matches(*it, &listed))
            continue;
        const std::tuple<bool, qint64> rank{listed.number == following, it.key()};
        if (!chosen.isValid() || rank > bestRow) {
            bestRow = rank;
            chosen = candidate(it.key(), rows.at(*it).Title);
        }
    }
    return chosen;
}

QString NextThreadCaption(const NextThreadCandidate &candidate)
{
    QString title = candidate.title.left(4 * kMaxCaptionTitle);
    for (QChar &c : title) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char(' ');
    }
    title = title.simplified();
    if (title.size() > kMaxCaptionTitle)
        title = title.left(title.at(kMaxCaptionTitle - 1).isHighSurrogate() ? kMaxCaptionTitle - 1
                                                                            : kMaxCaptionTitle) +
                QStringLiteral("…");
    const QString caption = QStringLiteral("次スレ候補：");
    if (title.isEmpty())
        return caption + candidate.url;
    return caption + title + QStringLiteral("（") + candidate.url + QStringLiteral("）");
}

MakuEntry NextThreadNotice(const QString &title)
{
    MakuEntry notice;
    notice.kind = MakuEntry::Kind::Notice;
    notice.command = QStringLiteral(" ");
    // The subtitle reads its message as the board's HTML; the title is plain text. The notice
    // sound goes with "sazanamiからのお知らせ".
    notice.message = QStringLiteral("sazanamiからのお知らせ<br>次スレに移動しました：") +
                     title.left(kMaxCaptionTitle).trimmed().toHtmlEscaped();
    notice.id = QStringLiteral("ID:?\?\?");
    notice.name = QStringLiteral("sazanami");
    notice.number = QStringLiteral("???");
    return notice;
}
