#include "threadlist/subjectlist.h"

#include "platform/text.h"
#include "retrieval/boards.h"

namespace {

const QString kHttp = QStringLiteral("http://");
const QString kHttps = QStringLiteral("https://");
const QString kReadCgiDir = QStringLiteral("test/read.cgi/");
const QLatin1String kRentalHosts[] = {Boards::kRentalOldHost, Boards::kRentalNewHost};

// The scheme an address uses with the rental board's host, or "" when it does not name it.
QString rentalScheme(const QString &url, QLatin1String host)
{
    if (url.contains(kHttps + host))
        return kHttps;
    if (url.contains(kHttp + host))
        return kHttp;
    return QString();
}

bool isNumber(const QString &text)
{
    if (text.isEmpty() || text.size() > 18)
        return false;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// Numbers as the rows write them: digits, blanks and a decimal point.
bool isPaddedNumber(const QString &text)
{
    bool digit = false;
    for (QChar c : text) {
        if (c.isDigit())
            digit = true;
        else if (c != QLatin1Char(' ') && c != QLatin1Char('.'))
            return false;
    }
    return digit;
}

} // namespace

QString BoardUrlOf(const QString &threadUrl)
{
    const QStringList parts = threadUrl.split(QLatin1Char('/'));
    auto part = [&parts](int i) { return parts.value(i); };
    for (QLatin1String host : kRentalHosts) {
        const QString scheme = rentalScheme(threadUrl, host);
        if (scheme.isEmpty())
            continue;
        if (part(5).isEmpty() || part(6).isEmpty())
            return QString();
        return scheme + host + QLatin1Char('/') + part(5) + QLatin1Char('/') + part(6) +
               QLatin1Char('/');
    }
    // Up to the board's directory, so that a directory in front of "test/read.cgi" stays.
    const qsizetype at = threadUrl.indexOf(kReadCgiDir);
    if (at < 1 || threadUrl.at(at - 1) != QLatin1Char('/') ||
        !(threadUrl.startsWith(kHttp) || threadUrl.startsWith(kHttps)))
        return QString();
    const qsizetype boardStart = at + kReadCgiDir.size();
    const qsizetype boardEnd = threadUrl.indexOf(QLatin1Char('/'), boardStart);
    const QString board = threadUrl.mid(boardStart, boardEnd < 0 ? -1 : boardEnd - boardStart);
    if (board.isEmpty() || at <= threadUrl.indexOf(QLatin1String("//")) + 2)
        return QString();
    return threadUrl.left(at) + board + QLatin1Char('/');
}

QString ThreadUrlOf(const QString &boardUrl, const QString &file)
{
    const QString key = file.left(std::max<qsizetype>(file.size() - 4, 0)) + QLatin1Char('/');
    for (QLatin1String host : kRentalHosts) {
        const QString hostDir = host + QLatin1Char('/');
        const qsizetype at = boardUrl.indexOf(hostDir);
        if (at < 0)
            continue;
        QString url = boardUrl;
        url.insert(at + hostDir.size(), QStringLiteral("bbs/read.cgi/"));
        return url + key;
    }
    const qsizetype p = boardUrl.size() < 2 ? -1 : boardUrl.lastIndexOf(QLatin1Char('/'), -2);
    if (p < 0)
        return boardUrl + key;
    return boardUrl.left(p + 1) + QStringLiteral("test/read.cgi") + boardUrl.mid(p) + key;
}

bool IsRentalBoardUrl(const QString &boardUrl)
{
    for (QLatin1String host : kRentalHosts) {
        if (!rentalScheme(boardUrl, host).isEmpty())
            return true;
    }
    return false;
}

QString PadText(const QString &text, int width, QChar fill)
{
    if (text.size() >= width)
        return text;
    return QString(width - text.size(), fill) + text;
}

QString TextBetweenLast(const QString &text, const QString &open, const QString &close)
{
    const qsizetype from = text.lastIndexOf(open);
    if (from < 0)
        return QString();
    const qsizetype start = from + open.size();
    const qsizetype to = text.lastIndexOf(close);
    if (to < start)
        return QString();
    return text.mid(start, to - start);
}

qint64 ThreadKeyOf(const QString &file)
{
    const QString key = file.left(file.indexOf(QLatin1Char('.')));
    return isNumber(key) ? key.toLongLong() : -1;
}

QString PowerOf(const QString &count, qint64 key, qint64 now)
{
    const QString posts = count.trimmed();
    if (!isNumber(posts) || key < 0)
        return QString();
    if (key >= now)
        return QStringLiteral("?");
    const double rate = posts.toDouble() / double(now - key) * 86400.0;
    return PadText(QString::number(rate, 'f', 1), 7, QLatin1Char(' '));
}

bool ThreadCellLess(int column, const QString &a, const QString &b)
{
    const bool numeric = column == 0 || column == 2 || column == 3;
    if (numeric && a.size() != b.size() && isPaddedNumber(a) && isPaddedNumber(b)) {
        const int width = int(std::max(a.size(), b.size()));
        return PadText(a, width, QLatin1Char(' ')) < PadText(b, width, QLatin1Char(' '));
    }
    return a < b;
}

void SubjectLines::reset(const QString &boardUrl, bool rental, qint64 now)
{
    m_boardUrl = boardUrl;
    m_rental = rental;
    m_now = now;
    m_rest.clear();
    m_separator.clear();
    m_rows.clear();
    m_files.clear();
    m_lastRepeats = false;
    m_full = false;
}

bool SubjectLines::add(const QString &text)
{
    if (m_full)
        return false;
    qsizetype from = m_rest.size();
    m_rest += text;
    qsizetype start = 0;
    for (qsizetype lf = m_rest.indexOf(QLatin1Char('\n'), from); lf >= 0;
         lf = m_rest.indexOf(QLatin1Char('\n'), from)) {
        addLine(m_rest.mid(start, lf - start));
        start = from = lf + 1;
        if (m_rows.size() >= kMaxRows) {
            m_full = true;
            m_rest.clear();
            return false;
        }
    }
    m_rest.remove(0, start);
    return true;
}

QVector<ThreadRow> SubjectLines::finish()
{
    if (m_rental && m_rows.size() >= 2 && m_lastRepeats)
        m_rows.removeLast();
    m_rest.clear();
    return std::move(m_rows);
}

void SubjectLines::addLine(QString line)
{
    // The rental board's lines end with CR LF.
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    if (m_separator.isEmpty())
        m_separator =
            line.contains(QLatin1String("<>")) ? QStringLiteral("<>") : QStringLiteral(",");
    const qsizetype split = line.indexOf(m_separator);
    // Without a separator there is no thread to open: no row.
    if (split < 0)
        return;
    ThreadRow row;
    row.file = line.left(split);
    // The file name becomes the request line of the thread's fetch: a stray CR there is no thread.
    if (HasControlCharacter(row.file))
        return;
    QString second = line.mid(split + m_separator.size());
    // Further fields, if a board ever adds some, are not part of the title.
    const qsizetype more = second.indexOf(m_separator);
    if (more >= 0)
        second.truncate(more);
    const qsizetype open = second.lastIndexOf(QLatin1Char('('));
    // Without "(" the whole field is the title and the count is unknown.
    // Decoded as the main window's title is: "Q&amp;A &#127843;" reads "Q&A 🍣".
    row.Title = DecodeEntities(open < 0 ? second : second.left(open));
    const QString count = TextBetweenLast(second, QStringLiteral("("), QStringLiteral(")"));
    row.Res = count.isEmpty() ? QString() : PadText(count, 4, QLatin1Char(' '));
    row.Power = PowerOf(row.Res, ThreadKeyOf(row.file), m_now);
    row.Url = ThreadUrlOf(m_boardUrl, row.file);
    row.Num = PadText(QString::number(m_rows.size() + 1), 4, QLatin1Char('0'));
    if (m_rental) {
        m_lastRepeats = m_files.contains(row.file);
        m_files.insert(row.file);
    }
    m_rows.append(row);
}
