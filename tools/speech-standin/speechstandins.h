#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;

// Stand-ins for the speech engines a streamer runs, speaking their documented protocols on
// 127.0.0.1: the VOICEVOX engine's HTTP interface and BouyomiChan's TCP command. They record
// what they receive for the tests, the benchmark and a developer trying the program.

// The VOICEVOX engine: POST /audio_query?text=…&speaker=N answers a query (JSON) holding the
// text, POST /synthesis?speaker=N with a query answers a short WAVE tone.
class VoicevoxStandIn : public QObject
{
    Q_OBJECT
public:
    enum class Behaviour
    {
        Normal,
        Silent,  // accepts and reads, never answers
        Garbage, // answers bytes that are no HTTP answer
    };
    struct Request
    {
        QByteArray path;    // without the query
        QString text;       // the query's "text", decoded
        QByteArray speaker; // the query's "speaker"
        QByteArray body;
    };

    explicit VoicevoxStandIn(QObject *parent = nullptr);
    bool listen(quint16 port = 0);
    void close();
    quint16 port() const;
    QString url() const; // "http://127.0.0.1:PORT"
    void setBehaviour(Behaviour b) { m_behaviour = b; }
    const QList<Request> &requests() const { return m_requests; }
    // Connections the client has closed.
    int closedConnections() const { return m_closed; }
    // The WAVE file /synthesis answers: 0.3 s of a 440 Hz tone, 24 kHz, 16-bit mono.
    static QByteArray toneWave();

signals:
    void requestReceived(const VoicevoxStandIn::Request &request);

private:
    void readRequest(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Request &request);

    QTcpServer *m_server;
    Behaviour m_behaviour = Behaviour::Normal;
    QList<Request> m_requests;
    int m_closed = 0;
};

// BouyomiChan: one command per connection, read until the client closes.
class BouyomiStandIn : public QObject
{
    Q_OBJECT
public:
    // A speaking command taken apart; valid is false when the bytes are not one whole command.
    struct Command
    {
        bool valid = false;
        qint16 command = 0, speed = 0, tone = 0, volume = 0, voice = 0;
        quint8 charset = 0;
        QString text;
    };
    static Command parse(const QByteArray &packet);

    explicit BouyomiStandIn(QObject *parent = nullptr);
    bool listen(quint16 port = 0);
    quint16 port() const;
    const QList<QByteArray> &packets() const { return m_packets; }

signals:
    // The first bytes of a command arrived (the benchmark's clock stops here).
    void commandArriving();
    void packetReceived(const QByteArray &packet);

private:
    QTcpServer *m_server;
    QList<QByteArray> m_packets;
};
