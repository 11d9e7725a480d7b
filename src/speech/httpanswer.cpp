#include "speech/httpanswer.h"

#include <QList>

namespace {

constexpr qsizetype kMaxSizeLine = 1024;

// The bytes before the first `c`, or all of them.
QByteArray Before(const QByteArray &text, char c)
{
    const qsizetype at = text.indexOf(c);
    return at < 0 ? text : text.left(at);
}

bool ParseLength(const QByteArray &text, int base, qint64 *out)
{
    bool ok = false;
    const QByteArray t = text.trimmed();
    *out = t.isEmpty() || t.startsWith('-') || t.startsWith('+') ? -1 : t.toLongLong(&ok, base);
    return ok && *out >= 0;
}

} // namespace

HttpAnswer::State HttpAnswer::fail()
{
    m_state = State::Bad;
    m_pending.clear();
    return m_state;
}

QByteArray HttpAnswer::header(const QByteArray &name) const
{
    const QList<QByteArray> lines = m_head.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0 && lines[i].left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return lines[i].mid(colon + 1).trimmed();
    }
    return QByteArray();
}

bool HttpAnswer::parseHead(qsizetype end)
{
    m_head = m_pending.left(end);
    m_pending.remove(0, end + 4);
    const QList<QByteArray> status = Before(m_head, '\r').split(' ');
    if (status.size() < 2 || !status[0].startsWith("HTTP/1.") || status[1].size() != 3)
        return false;
    bool ok = false;
    m_status = status[1].toInt(&ok);
    if (!ok || m_status < 100)
        return false;
    if (header("Transfer-Encoding").toLower().contains("chunked")) {
        m_framing = Framing::Chunked;
    } else if (!header("Content-Length").isEmpty()) {
        m_framing = Framing::Length;
        if (!ParseLength(header("Content-Length"), 10, &m_length) || m_length > m_maxBody)
            return false;
    }
    return true;
}

HttpAnswer::State HttpAnswer::feed(const QByteArray &chunk)
{
    if (m_state == State::Done || m_state == State::Bad)
        return m_state;
    const qsizetype searchFrom = qMax<qsizetype>(0, m_pending.size() - 3);
    m_pending += chunk;
    if (m_state == State::Head) {
        const qsizetype end = m_pending.indexOf("\r\n\r\n", searchFrom);
        if (end < 0)
            return m_pending.size() > kMaxHead ? fail() : m_state;
        if (end > kMaxHead || !parseHead(end))
            return fail();
        m_state = State::Body;
    }
    if (m_framing == Framing::Chunked) {
        if (!takeChunks())
            return fail();
    } else {
        takeBody();
    }
    if (m_body.size() > m_maxBody)
        return fail();
    return m_state;
}

void HttpAnswer::takeBody()
{
    if (m_framing == Framing::Length) {
        const qint64 want = m_length - m_body.size();
        m_body += m_pending.left(want);
        if (m_body.size() == m_length)
            m_state = State::Done;
    } else {
        m_body += m_pending;
    }
    m_pending.clear();
}

bool HttpAnswer::takeChunks()
{
    qsizetype pos = 0;
    while (m_state == State::Body) {
        if (m_inChunk) {
            const qint64 take = qMin<qint64>(m_length, m_pending.size() - pos);
            if (m_body.size() + take > m_maxBody)
                return false;
            m_body += m_pending.mid(pos, take);
            pos += take;
            m_length -= take;
            if (m_length > 0)
                break;
            m_inChunk = false;
            m_chunkEnd = true;
        }
        const qsizetype eol = m_pending.indexOf("\r\n", pos);
        if (eol < 0) {
            if (m_pending.size() - pos > kMaxSizeLine)
                return false;
            break;
        }
        const QByteArray line = m_pending.mid(pos, eol - pos);
        pos = eol + 2;
        if (m_chunkEnd) {
            // The data of a chunk ends with an empty line.
            if (!line.isEmpty())
                return false;
            m_chunkEnd = false;
            continue;
        }
        qint64 size = 0;
        if (line.size() > kMaxSizeLine || !ParseLength(Before(line, ';'), 16, &size))
            return false;
        if (size == 0) {
            // Trailers, if any, are not read.
            m_state = State::Done;
            break;
        }
        if (size > m_maxBody - m_body.size())
            return false;
        m_length = size;
        m_inChunk = true;
    }
    m_pending.remove(0, pos);
    return true;
}

HttpAnswer::State HttpAnswer::close()
{
    if (m_state == State::Body && m_framing == Framing::Close)
        m_state = State::Done;
    else if (m_state != State::Done)
        fail();
    return m_state;
}
