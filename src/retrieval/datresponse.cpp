#include "retrieval/datresponse.h"

#include "retrieval/threadstate.h"

#include <cmath>
#include <limits>
#include <utility>

namespace {

const QByteArray kHeaderEnd = QByteArrayLiteral("\r\n\r\n");

const QString kDifferentialFailed =
    QStringLiteral("差分取得に失敗 Ctrlキーを押しながら更新してみてください");
const QString kFinished = QStringLiteral("受信終了");
const QString kInterrupted = QStringLiteral("受信が中断されました");
const QString kTooLarge =
    QStringLiteral("受信データが大きすぎるため受信を打ち切りました（上限64MiB）");

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

void DatResponse::reset(bool shitaraba, bool rangeRequest, const QString &separator)
{
    const qint64 limit = m_limit;
    *this = DatResponse();
    m_limit = limit;
    m_shitaraba = shitaraba;
    m_rangeRequest = rangeRequest;
    m_lfCheck = rangeRequest;
    m_separator = separator;
}

DatResponse::Step DatResponse::feed(const QByteArray &chunk)
{
    m_recvSize += chunk.size();
    m_total += chunk.size();
    if (m_total > m_limit) {
        Step step;
        step.action = Action::TooLarge;
        step.status = kTooLarge;
        step.separator = m_separator;
        return step;
    }
    if (m_headerDone) {
        m_headerWait = false;
        return takeBody(chunk);
    }

    m_head += chunk;
    // A header that came alone, ending exactly at its blank line: wait for the body.
    const qsizetype end = m_head.indexOf(kHeaderEnd);
    if (end >= 0 && end + kHeaderEnd.size() == m_head.size() && startsLikeAccepted(m_head)) {
        m_headerWait = true;
        return Step();
    }
    m_headerWait = false;
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
    m_headerDone = true;
    m_head.clear();
    return isAcceptedStatus(statusLine()) ? HeaderResult::Accepted : HeaderResult::Rejected;
}

DatResponse::Step DatResponse::takeBody(const QByteArray &bytes)
{
    Step step;
    step.separator = m_separator;
    if (!m_shitaraba) {
        // A file of this kind always announces its length, and a Range answer must start
        // with the LF that ends the local copy.
        if (m_contentLength == 0 || (m_lfCheck && !bytes.isEmpty() && bytes.at(0) != '\n')) {
            step.action = Action::DifferentialFailed;
            step.status = kDifferentialFailed;
            return step;
        }
        if (!bytes.isEmpty())
            m_lfCheck = false;
    }
    QByteArray body = bytes;
    if (!m_firstByteTaken && !body.isEmpty()) {
        m_firstByteTaken = true;
        // The check byte, or a leading LF of a whole file, is not part of any line.
        if (!m_shitaraba && body.at(0) == '\n')
            body.remove(0, 1);
    }
    m_body += body;
    m_text += decode(body);
    step.lines = takeLines();
    step.separator = m_separator;
    step.action = Action::Lines;
    step.status = progressText(m_recvSize, m_contentLength);
    return step;
}

QStringList DatResponse::takeLines()
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype lf = m_text.indexOf(QLatin1Char('\n')); lf >= 0;
         lf = m_text.indexOf(QLatin1Char('\n'), start)) {
        lines.append(m_text.mid(start, lf - start));
        start = lf + 1;
    }
    if (lines.isEmpty())
        return lines;
    // Decided once the first line is whole, so a chunk ending inside "<>" cannot mislead it.
    if (!m_separatorSet) {
        bool angle = m_text.indexOf(QLatin1String("<>"), start) >= 0;
        for (const QString &line : std::as_const(lines))
            angle = angle || line.contains(QLatin1String("<>"));
        m_separator = angle ? QStringLiteral("<>") : QStringLiteral(",");
        m_separatorSet = true;
    }
    m_text.remove(0, start);
    m_lineDone += qint32(lines.size());
    return lines;
}

QString DatResponse::decode(const QByteArray &bytes)
{
    return m_shitaraba ? m_euc.decode(bytes) : m_sjis.decode(bytes);
}

QString DatResponse::flushDecoder()
{
    return m_shitaraba ? m_euc.finish() : m_sjis.finish();
}

DatResponse::Step DatResponse::close(ThreadState &state)
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
    m_text += flushDecoder();
    lines += takeLines();
    const bool complete = m_shitaraba || m_contentLength == m_recvSize;
    Step step = finish(state, complete, complete ? kFinished : kInterrupted);
    step.lines = lines;
    return step;
}

DatResponse::Step DatResponse::abandon(ThreadState &state, const QString &message)
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
    Step step = finish(state, false, message);
    step.lines = lines;
    return step;
}

DatResponse::Step DatResponse::finish(ThreadState &state, bool complete, const QString &status)
{
    // A Content-Length of 1 is a Range answer that brought only the check byte.
    if (m_contentLength != 1)
        state.DatBytes += m_body;
    if (!complete) {
        // A partial last line is fetched again by the next load.
        state.DatBytes.truncate(state.DatBytes.lastIndexOf('\n') + 1);
    }
    state.DatSize = qint32(state.DatBytes.size());
    m_body.clear();
    Step step;
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
    return statusLine == QLatin1String("HTTP/1.1 200 OK") ||
           statusLine == QLatin1String("HTTP/1.0 200 OK") ||
           statusLine == QLatin1String("HTTP/1.0 200") ||
           statusLine == QLatin1String("HTTP/1.1 206 Partial Content");
}

bool DatResponse::startsLikeAccepted(const QByteArray &bytes)
{
    return bytes.startsWith("HTTP/1.1 200 OK") || bytes.startsWith("HTTP/1.0 200 OK") ||
           bytes.startsWith("HTTP/1.0 200") || bytes.startsWith("HTTP/1.1 206 Partial Content") ||
           bytes.startsWith("HTTP/1.0 206 Partial Content");
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
