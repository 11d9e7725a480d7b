#pragma once

#include "platform/boardsocket.h"
#include "retrieval/datresponse.h"

#include <QObject>
#include <QString>

struct ThreadState;

// Fetches a thread's data over HTTP/1.0 (or TLS for https) with the socket wscGet: one GET per
// connection, the local copy kept differential, every complete line handed to SetLog.
class DatFetch : public QObject
{
    Q_OBJECT
public:
    // How a load ended.
    enum class LoadEnd
    {
        Finished,           // "受信終了"
        Interrupted,        // "受信が中断されました": complete lines kept
        ConnectFailed,      // "HOST:PORTに接続できませんでした"
        Rejected,           // an unaccepted status line, shown as it is
        DifferentialFailed, // "差分取得に失敗 …": the answer does not continue the local copy
        TimedOut,    // "受信タイムアウト": silence after the request or between chunks
        SocketError, // the connection broke while receiving: complete lines kept
        TlsRefused,  // the server's certificate was not trusted, or the handshake broke
        HandshakeTimedOut, // the TLS handshake did not end in time
        DeadlineReached,   // the whole load took too long: complete lines kept
        TooLarge,          // past the byte or line bound: complete lines kept
    };
    Q_ENUM(LoadEnd)

    explicit DatFetch(ThreadState &state, QObject *parent = nullptr);

    // Starts the request for a checked thread address; the state's BoardKind says which kind.
    // Range: first byte wanted (2channel-style, 0 for the whole file); ResCount: first post
    // wanted (rental board). Returns at once; the end of the load is signalled by loadEnded().
    void GetThread(const QString &address, qint32 Range, qint32 ResCount);
    // Ends a running load at once, without loadEnded(): complete lines are kept.
    void abort();
    // A new thread starts: the local copy (DatBytes, DatSize) is emptied. It is written only
    // here and by the ends of loads, with what each response says joins it.
    void clearLocalCopy();

    const DatResponse &response() const { return m_response; }
    DatResponse &response() { return m_response; }
    const BoardSocket &socket() const { return *wscGet; }

    // Test hook: other limits than a board's usual ones.
    void setLimits(const BoardSocket::Limits &limits) { m_limits = limits; }

signals:
    void loadEnded(DatFetch::LoadEnd how);
    // A text for the "STATUS" panel of the status bar.
    void statusChanged(const QString &text);
    // The complete new lines of a response, chunk by chunk, each exactly once and without its
    // LF (a rental-board line keeps its CR).
    void linesReceived(const QStringList &lines, const QString &separator);

private:
    void wscGet_DataArrival(const QByteArray &chunk);
    void wscGet_Close(BoardSocket::End how, const QString &detail);
    void handOn(const DatResponse::Step &step);
    void endLoad(LoadEnd how, const DatResponse::Step &last = DatResponse::Step());
    void setStatus(const QString &text);

    ThreadState &m_state;
    DatResponse m_response;
    BoardSocket *wscGet;
    BoardSocket::Limits m_limits;
    bool m_active = false;
};
