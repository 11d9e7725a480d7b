#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QSslCertificate;
class QSslError;
class QTcpSocket;

// Time and size limits of one exchange with a board.
struct BoardLimits
{
    int connectMs = 4000;    // name lookup, then the TCP connection (each)
    int handshakeMs = 10000; // TLS handshake
    int idleMs = 10000;      // silence after the request and between chunks
    int deadlineMs = 60000;  // the whole exchange
    qint64 maxBytes = qint64(64) << 20;
};

// One exchange with a board: connect over TCP (TLS for https), send one request, hand every
// arriving chunk on, end exactly once. Every exchange with a board goes through it, so the
// limits, the trusted certificates and the test overrides are the same for all of them.
class BoardSocket : public QObject
{
    Q_OBJECT
public:
    enum class End
    {
        Closed,             // the server closed the connection after the request
        ConnectFailed,      // refused, unreachable or unknown host
        ConnectTimedOut,    // no TCP connection within connectMs
        TlsUnavailable,     // https asked for, but this system has no TLS library
        CertificateRefused, // the server's certificate is not trusted
        HandshakeFailed,    // the TLS handshake broke off
        HandshakeTimedOut,  // the TLS handshake took longer than handshakeMs
        IdleTimedOut,       // nothing arrived for idleMs after the request or the last chunk
        DeadlineReached,    // the whole exchange took longer than deadlineMs
        TooLarge,           // more than maxBytes arrived; the last chunk was cut at the bound
        SocketError,        // the connection broke after the request was sent
    };
    Q_ENUM(End)

    using Limits = BoardLimits;

    explicit BoardSocket(QObject *parent = nullptr);
    ~BoardSocket() override;

    // Starts one exchange, ending any running one silently. An https board is reached with TLS
    // and the system's trusted certificates (plus addCaCertificates()); the request is written
    // once the connection is usable. Never signals before returning.
    void start(const QString &host, quint16 port, bool secure, const QByteArray &request,
               const Limits &limits = Limits());
    // Ends the running exchange at once, without ended(). Safe from inside the signals.
    void abort();

    bool isActive() const { return m_active; }
    // The request has been written and the answer is awaited or arriving.
    bool isReceiving() const { return m_active && m_phase == Phase::Receiving; }
    // The system's error behind the last end (UnknownSocketError when there was none), for
    // messages that name the cause (refused, host not found).
    QAbstractSocket::SocketError socketError() const { return m_error; }
    // "host:port" of the board as named in its address, for messages.
    QString remoteText() const;

    // The status-bar text for an end, shared by every exchange ("" for Closed).
    QString endText(End how, const QString &detail) const;

    // Certificates trusted in addition to the system's (a private board's own authority, tests).
    // With none added, the system's roots are used exactly as the system's TLS library finds them.
    static void addCaCertificates(const QList<QSslCertificate> &certificates);
    // Test hook: connect to address:port whenever host is named (the Host line and the
    // certificate check still use the named host).
    static void setHostOverride(const QString &host, const QString &address, quint16 port);
    // Forgets the added certificates and the host overrides.
    static void resetTestHooks();

signals:
    // Connected (TLS handshake done) and the request written.
    void requestSent();
    // One chunk of the answer, in order. The receiver may abort() or start() again.
    void received(const QByteArray &chunk);
    // Once per start(), unless abort()ed. detail: the system's own words, for the message.
    void ended(BoardSocket::End how, const QString &detail);

private:
    enum class Phase
    {
        Connecting,
        Handshake,
        Receiving
    };
    void onHostFound();
    void onConnected();
    void onEncrypted();
    void onReadyRead();
    void onDisconnected();
    void onError();
    void onSslErrors(const QList<QSslError> &errors);
    void onStageLimit();
    void sendRequest();
    void finish(End how, const QString &detail = QString());
    void dropSocket();

    QPointer<QTcpSocket> m_socket;
    QTimer m_stage;    // connect, handshake or idle limit, by phase
    QTimer m_deadline; // the whole exchange
    Limits m_limits;
    QString m_host;
    quint16 m_port = 0;
    bool m_secure = false;
    QByteArray m_request;
    Phase m_phase = Phase::Connecting;
    bool m_active = false;
    quint64 m_generation = 0;
    qint64 m_received = 0;
    QAbstractSocket::SocketError m_error = QAbstractSocket::UnknownSocketError;
};
