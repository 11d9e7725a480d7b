#pragma once

#include <QByteArray>

// An HTTP/1.x answer taken as its bytes arrive: the status line and headers (at most
// kMaxHead bytes), then a body delimited by Content-Length, chunked coding or the close, at
// most maxBody bytes. Each byte is looked at a bounded number of times.
class HttpAnswer
{
public:
    enum class State
    {
        Head, // the headers are still arriving
        Body, // the body is arriving
        Done, // the whole answer is here
        Bad,  // not an HTTP answer, or over a bound
    };
    static constexpr qsizetype kMaxHead = 16 * 1024;

    explicit HttpAnswer(qint64 maxBody) : m_maxBody(maxBody) {}

    State feed(const QByteArray &chunk);
    // The connection closed: a body delimited by the close is complete, anything else is cut.
    State close();

    State state() const { return m_state; }
    int status() const { return m_status; }
    // The value of the first header of that name (compared without regard to case).
    QByteArray header(const QByteArray &name) const;
    const QByteArray &body() const { return m_body; }

private:
    enum class Framing
    {
        Length,
        Chunked,
        Close
    };
    State fail();
    bool parseHead(qsizetype end);
    void takeBody();
    bool takeChunks();

    qint64 m_maxBody;
    State m_state = State::Head;
    Framing m_framing = Framing::Close;
    int m_status = 0;
    qint64 m_length = 0;     // the Content-Length, or the rest of the current chunk
    bool m_inChunk = false;  // chunked: inside a chunk's data (else before a size line)
    bool m_chunkEnd = false; // chunked: the CR LF after a chunk's data is due
    QByteArray m_head;
    QByteArray m_pending; // bytes not yet taken into the body
    QByteArray m_body;
};
