#include "retrieval/datresponse.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

namespace {

const QByteArray kHeaderEnd = QByteArrayLiteral("\r\n\r\n");

const QString kDifferentialFailed =
    QStringLiteral("差分取得に失敗 Ctrlキーを押しながら更新してみてください");
const QString kFinished = QStringLiteral("受信終了");
const QString kInterrupted = QStringLiteral("受信が中断されました");
const QString kTooManyLines =
    QStringLiteral("受信した行が多すぎるため受信を打ち切りました（上限%1行）")
        .arg(DatResponse::kMaxLines);

// The status lines a thread's data may come with; any other ends the load.
const char *const kAcceptedStatus[] = {"HTTP/1.1 200 OK", "HTTP/1.0 200 OK", "HTTP/1.0 200",
                                       "HTTP/1.1 206 Partial Content"};

constexpr qint64 kReserveBound = qint64(64) << 20;

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

void DatResponse::reset(bool shitaraba, bool rangeRequest, const QString &separator,
                        qint64 rangeFrom, const QByteArray &localCopy)
{
    *this = DatResponse();
    m_shitaraba = shitaraba;
    m_rangeRequest = rangeRequest;
    m_lfCheck = rangeRequest;
    m_separator = separator;
    m_rangeFrom = rangeRequest ? rangeFrom : -1;
    if (rangeRequest)
        m_localCopy = localCopy;
}

DatResponse::Step DatResponse::feed(const QByteArray &chunk)
{
    m_recvSize += chunk.size();
    if (m_headerDone)
        return takeBody(chunk);

    m_head += chunk;
    // A header that came alone, ending exactly at its blank line: wait for the body.
    const qsizetype end = m_head.indexOf(kHeaderEnd);
    if (end >= 0 && end + kHeaderEnd.size() == m_head.size() && startsLikeAccepted(m_head))
        return Step();
    const QByteArray head = m_head;
    switch (separateHeader()) {
    case HeaderResult::Incomplete:
        return Step();
    case HeaderResult::Rejected: {
        Step step;
        step.action = Action::Rejected;
        step.status = statusLine();
        return step;
    }
    case HeaderResult::Accepted:
        break;
    }
    return takeBody(head.mid(head.indexOf(kHeaderEnd) + kHeaderEnd.size()));
}

DatResponse::HeaderResult DatResponse::separateHeader()
{
    const qsizetype end = m_head.indexOf(kHeaderEnd);
    if (end < 0)
        return HeaderResult::Incomplete;
    // The header text keeps the CR of its blank line; the bytes go up to the blank line's LF.
    const QByteArray headerBytes = m_head.left(end + 1);
    m_recvHeader = m_shitaraba ? Codec::EucToSjis(headerBytes) : Codec::fromSjis(headerBytes);
    m_recvSize -= end + kHeaderEnd.size();
    m_contentLength = contentLengthOf(m_recvHeader);
    // Room for the announced body at once, within what the connection lets arrive anyway.
    if (m_contentLength > 0)
        m_body.reserve(std::min<qint64>(m_contentLength, kReserveBound));
    m_headerDone = true;
    m_head.clear();
    const QString status = statusLine();
    if (!isAcceptedStatus(status))
        return HeaderResult::Rejected;
    if (m_rangeRequest && !m_shitaraba) {
        const QString code = status.section(QLatin1Char(' '), 1, 1);
        if (code == QLatin1String("200")) {
            // The server ignored Range and sends the whole file.
            m_wholeFile = true;
            m_lfCheck = false;
            m_firstByteTaken = true;
        } else if (m_rangeFrom >= 0) {
            // A part from anywhere else would repeat or skip posts.
            const qint64 start = contentRangeStartOf(m_recvHeader);
            m_wrongRange = start != -1 && start != m_rangeFrom;
        }
    }
    return HeaderResult::Accepted;
}

DatResponse::Step DatResponse::takeBody(const QByteArray &bytes)
{
    Step step;
    step.separator = m_separator;
    QByteArray body = bytes;
    if (!m_shitaraba) {
        // A file of this kind always announces its length, and an answer to a Range request must
        // continue the local copy: from the asked offset, starting with the LF that ends it.
        if (m_contentLength == 0 || m_wrongRange ||
            (m_lfCheck && !body.isEmpty() && body.at(0) != '\n') ||
            (m_wholeFile && !continuesLocalCopy(body))) {
            step.action = Action::DifferentialFailed;
            step.status = kDifferentialFailed;
            return step;
        }
        if (!body.isEmpty())
            m_lfCheck = false;
    }
    if (!m_firstByteTaken && !body.isEmpty()) {
        m_firstByteTaken = true;
        // The check byte, or a leading LF of a whole file, is not part of any line.
        if (!m_shitaraba && body.at(0) == '\n')
            body.remove(0, 1);
    }
    m_body += body;
    if (m_skipping) {
        // The rest of a cut line is not even decoded: decoding starts again at its LF.
        const qsizetype lf = body.indexOf('\n');
        if (lf < 0) {
            step.action = Action::Lines;
            step.status = progressText(m_recvSize, m_contentLength);
            return step;
        }
        m_sjis = Codec::SjisDecoder();
        m_euc = Codec::EucToSjisDecoder();
        body.remove(0, lf);
    }
    m_text += decode(body);
    step.lines = takeLines();
    step.separator = m_separator;
    step.status = progressText(m_recvSize, m_contentLength);
    step.action = Action::Lines;
    if (m_lineDone >= kMaxLines && (!m_text.isEmpty() || m_skipping)) {
        step.action = Action::TooLarge;
        step.status = kTooManyLines;
    }
    return step;
}

bool DatResponse::continuesLocalCopy(QByteArray &body)
{
    // Only what follows the local copy is new.
    const qsizetype n = std::min(body.size(), m_localCopy.size() - m_matched);
    if (n > 0 && std::memcmp(body.constData(), m_localCopy.constData() + m_matched, size_t(n)))
        return false;
    m_matched += n;
    body.remove(0, n);
    return true;
}

QStringList DatResponse::takeLines()
{
    QStringList lines;
    qsizetype start = 0;
    // Only the text that came since the last search is searched.
    for (qsizetype lf = m_text.indexOf(QLatin1Char('\n'), m_scanned);
         lf >= 0 && m_lineDone + lines.size() < kMaxLines;
         lf = m_text.indexOf(QLatin1Char('\n'), start)) {
        // A line above the bound is handed on empty, so that it reads as broken.
        const bool cut = lineLength(lf - start) > kMaxLineBytes || m_skipping;
        lines.append(cut ? QString() : m_text.mid(start, lf - start));
        m_skipping = false;
        start = lf + 1;
    }
    if (!lines.isEmpty() && !m_separatorSet) {
        // Decided once the first line is whole, so a chunk ending inside "<>" cannot mislead it.
        bool angle = m_text.indexOf(QLatin1String("<>"), start) >= 0;
        for (const QString &line : std::as_const(lines))
            angle = angle || line.contains(QLatin1String("<>"));
        m_separator = angle ? QStringLiteral("<>") : QStringLiteral(",");
        m_separatorSet = true;
    }
    m_lineDone += qint32(lines.size());
    m_text.remove(0, start);
    if (m_lineDone >= kMaxLines) {
        m_scanned = 0;
        return lines;
    }
    m_scanned = m_text.size();
    // The line now arriving, in bytes (a rental line in characters: its line breaks are
    // rewritten on the way).
    const qint64 pending = m_shitaraba ? m_text.size() : m_body.size() - m_bodyLineEnd;
    if (pending > kMaxLineBytes)
        m_skipping = true;
    if (m_skipping) {
        m_text.clear();
        m_scanned = 0;
    }
    return lines;
}

qint64 DatResponse::lineLength(qsizetype characters)
{
    // In bytes, found where the line ends in the bytes (LF is the same byte in both encodings
    // of a data file). The rental board's line breaks are rewritten on the way: there, in
    // characters, and its copy is not used for ranges.
    if (m_shitaraba)
        return characters;
    const qsizetype lf = m_body.indexOf('\n', m_bodyLineEnd);
    if (lf < 0)
        return characters;
    const qint64 length = lf - m_bodyLineEnd;
    m_bodyLineEnd = lf + 1;
    return length;
}

QString DatResponse::decode(const QByteArray &bytes)
{
    return m_shitaraba ? m_euc.decode(bytes) : m_sjis.decode(bytes);
}

QString DatResponse::flushDecoder()
{
    return m_shitaraba ? m_euc.finish() : m_sjis.finish();
}

DatResponse::Step DatResponse::close()
{
    QStringList lines;
    if (!m_headerDone) {
        if (m_head.indexOf(kHeaderEnd) < 0) {
            // Nothing that could be a response: the local copy stays as it is.
            Step step;
            step.action = Action::Interrupted;
            step.status = kInterrupted;
            step.separator = m_separator;
            return step;
        }
        // The header came alone and the body never followed.
        const QByteArray head = m_head;
        if (separateHeader() == HeaderResult::Rejected) {
            Step step;
            step.action = Action::Rejected;
            step.status = statusLine();
            return step;
        }
        Step body = takeBody(head.mid(head.indexOf(kHeaderEnd) + kHeaderEnd.size()));
        if (body.action == Action::DifferentialFailed)
            return body;
        lines = body.lines;
    }
    if (m_wholeFile && m_matched < m_localCopy.size()) {
        // The whole file is shorter than the local copy: a post was removed.
        Step step;
        step.action = Action::DifferentialFailed;
        step.status = kDifferentialFailed;
        step.separator = m_separator;
        return step;
    }
    m_text += flushDecoder();
    lines += takeLines();
    const bool complete = m_shitaraba || m_contentLength == m_recvSize;
    Step step = finish(complete, complete ? kFinished : kInterrupted);
    step.lines = lines;
    return step;
}

DatResponse::Step DatResponse::abandon(const QString &message)
{
    if (!m_headerDone) {
        Step step;
        step.action = Action::Interrupted;
        step.status = message;
        step.separator = m_separator;
        return step;
    }
    m_text += flushDecoder();
    const QStringList lines = takeLines();
    Step step = finish(false, message);
    step.lines = lines;
    return step;
}

DatResponse::Step DatResponse::finish(bool complete, const QString &status)
{
    Step step;
    if (m_wholeFile && m_matched < m_localCopy.size()) {
        // Ended inside the local copy: nothing of it is new.
    } else if (!complete && !m_shitaraba) {
        // A partial last line, and lines beyond the line bound, are fetched again next time.
        step.append = m_body.left(m_bodyLineEnd);
    } else if (m_contentLength != 1 || m_wholeFile) {
        // A Content-Length of 1 is a Range answer that brought only the check byte.
        step.append = complete ? m_body : m_body.left(m_body.lastIndexOf('\n') + 1);
    }
    m_body.clear();
    step.action = complete ? Action::Finished : Action::Interrupted;
    step.status = status;
    step.separator = m_separator;
    return step;
}

QString DatResponse::statusLine() const
{
    const qsizetype crlf = m_recvHeader.indexOf(QLatin1String("\r\n"));
    if (crlf >= 0)
        return m_recvHeader.left(crlf);
    // A header that is only its status line.
    QString line = m_recvHeader;
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    return line;
}

bool DatResponse::isAcceptedStatus(const QString &statusLine)
{
    for (const char *accepted : kAcceptedStatus) {
        if (statusLine == QLatin1String(accepted))
            return true;
    }
    return false;
}

bool DatResponse::startsLikeAccepted(const QByteArray &bytes)
{
    for (const char *accepted : kAcceptedStatus) {
        if (bytes.startsWith(accepted))
            return true;
    }
    return false;
}

qint32 DatResponse::contentLengthOf(const QString &header)
{
    static const QString key = QStringLiteral("Content-Length: ");
    const qsizetype at = header.indexOf(key);
    if (at < 0)
        return 0;
    QString value = header.mid(at + key.size());
    const qsizetype crlf = value.indexOf(QLatin1String("\r\n"));
    if (crlf >= 0)
        value.truncate(crlf);

    // A leading number: spaces skipped, then sign, digits, fraction and exponent as far as
    // they go.
    qsizetype i = 0;
    const qsizetype n = value.size();
    while (i < n && (value.at(i) == QLatin1Char(' ') || value.at(i) == QLatin1Char('\t')))
        ++i;
    QString number;
    if (i < n && (value.at(i) == QLatin1Char('+') || value.at(i) == QLatin1Char('-')))
        number += value.at(i++);
    bool digits = false;
    while (i < n && isDigit(value.at(i))) {
        number += value.at(i++);
        digits = true;
    }
    if (i < n && value.at(i) == QLatin1Char('.')) {
        number += value.at(i++);
        while (i < n && isDigit(value.at(i))) {
            number += value.at(i++);
            digits = true;
        }
    }
    if (!digits)
        return 0;
    if (i + 1 < n && QStringLiteral("eEdD").contains(value.at(i))) {
        qsizetype j = i + 1;
        QString exponent = QStringLiteral("e");
        if (value.at(j) == QLatin1Char('+') || value.at(j) == QLatin1Char('-'))
            exponent += value.at(j++);
        bool expDigits = false;
        while (j < n && isDigit(value.at(j))) {
            exponent += value.at(j++);
            expDigits = true;
        }
        if (expDigits)
            number += exponent;
    }
    const double v = std::nearbyint(number.toDouble());
    if (!(v < double(std::numeric_limits<qint32>::max())))
        return std::numeric_limits<qint32>::max();
    if (!(v > double(std::numeric_limits<qint32>::min())))
        return std::numeric_limits<qint32>::min();
    return qint32(v);
}

qint64 DatResponse::contentRangeStartOf(const QString &header)
{
    const QStringList lines = header.split(QStringLiteral("\r\n"));
    for (const QString &line : lines) {
        static const QString key = QStringLiteral("content-range:");
        if (!line.startsWith(key, Qt::CaseInsensitive))
            continue;
        const QString value = line.mid(key.size()).trimmed();
        if (!value.startsWith(QLatin1String("bytes "), Qt::CaseInsensitive))
            return -2;
        const QString first = value.mid(6).trimmed().section(QLatin1Char('-'), 0, 0);
        bool ok = false;
        const qint64 start = first.toLongLong(&ok);
        return ok && start >= 0 ? start : -2;
    }
    return -1;
}

QString DatResponse::progressText(qint64 recvSize, qint32 contentLength)
{
    if (contentLength == 0)
        return QStringLiteral("受信中 - ") + QString::number(recvSize) + QStringLiteral("byte");
    const double percent = std::round(double(recvSize) / double(contentLength) * 100.0);
    // Written without leading zeros: 0 per cent is no digit at all.
    const QString p = percent == 0.0 ? QString() : QString::number(qint64(percent));
    return QStringLiteral("受信中 - ") + p + QStringLiteral("% ") + QString::number(recvSize) +
           QStringLiteral("byte");
}
