#pragma once

#include "retrieval/datresponse.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QTimer>
#include <cstdint>

class QSslError;
class QTcpSocket;
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
        DifferentialFailed, // "差分取得に失敗 …"
        TimedOut,           // "受信タイムアウト"
        SocketError,        // the connection broke while receiving: complete lines kept
        TlsRefused,         // the server's certificate was not trusted
        TooLarge,           // the response grew past the size limit: complete lines kept
    };
    Q_ENUM(LoadEnd)

    static constexpr int kConnectLimitMs = 4000;

    DatFetch(ThreadState &state, QObject *parent = nullptr);
    ~DatFetch() override;

    // Starts the request for a checked thread address; the state's BoardKind says which kind.
    // Range: first byte wanted (2channel-style, 0 for the whole file); ResCount: first post
    // wanted (rental board). Returns at once; the end of the load is signalled by loadEnded().
    void GetThread(const QString &address, qint32 Range, qint32 ResCount);

    // The receive time-out: ends a load whose request has had no answer.
    void TimeOut();

    bool WaitFirstData() const { return m_waitFirstData; }
    uint32_t RequestTick() const { return m_requestTick; }
    const DatResponse &response() const { return m_response; }
    DatResponse &response() { return m_response; }
    // The data address and the request of the current (or last) load.
    const QString &dataUrl() const { return m_dataUrl; }
    const QByteArray &request() const { return m_request; }

    // Certificates trusted in addition to the system's (a private board's own authority).
    void addCaCertificates(const QList<QSslCertificate> &certificates);
    // Test hook: connect to address:port whenever a data address names host (Host and
    // certificate checks still use the named host).
    void setHostOverride(const QString &host, const QString &address, quint16 port);
    // Test hook: a smaller bound than 64 MiB for one response.
    void setResponseLimit(qint64 bytes) { m_response.setLimit(bytes); }

signals:
    void loadEnded(DatFetch::LoadEnd how);
    // A text for the "STATUS" panel of the status bar.
    void statusChanged(const QString &text);
    // The complete new lines of a response, chunk by chunk, each exactly once and without its
    // LF (a rental-board line keeps its CR). The receiver is expected to add the posts it makes
    // to ThreadState::ResTotal before the next chunk.
    void linesReceived(const QStringList &lines, const QString &separator);

private:
    void wscGet_Connect();
    void wscGet_DataArrival();
    void wscGet_Close();
    void wscGet_Error();
    void wscGet_SslErrors(const QList<QSslError> &errors);
    void connectLimitReached();
    void connectFailed();
    void handOn(const DatResponse::Step &step);
    void endLoad(LoadEnd how, const DatResponse::Step &last = DatResponse::Step());
    void closeSocket();
    QString remoteText() const;

    ThreadState &m_state;
    DatResponse m_response;
    QPointer<QTcpSocket> wscGet;
    QTimer m_connectLimit;
    QString m_dataUrl;
    QString m_remoteHost;
    quint16 m_remotePort = 80;
    QByteArray m_request;
    bool m_active = false;
    bool m_connected = false;
    bool m_waitFirstData = false;
    uint32_t m_requestTick = 0;
    QList<QSslCertificate> m_caCertificates;
    struct Target
    {
        QString address;
        quint16 port = 0;
    };
    QHash<QString, Target> m_overrides;
};
