#include "speechstandins.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrlQuery>
#include <QtEndian>
#include <cmath>

namespace {

constexpr qsizetype kMaxRequest = 1 << 20;

QByteArray httpAnswer(const QByteArray &status, const QByteArray &type, const QByteArray &body)
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: " + type +
           "\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

} // namespace

VoicevoxStandIn::VoicevoxStandIn(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                ++m_closed;
                socket->deleteLater();
            });
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
        }
    });
}

bool VoicevoxStandIn::listen(quint16 port)
{
    return m_server->listen(QHostAddress::LocalHost, port);
}

void VoicevoxStandIn::close()
{
    m_server->close();
}

quint16 VoicevoxStandIn::port() const
{
    return m_server->serverPort();
}

QString VoicevoxStandIn::url() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port());
}

QByteArray VoicevoxStandIn::toneWave()
{
    constexpr int rate = 24000;
    constexpr int samples = rate * 3 / 10;
    QByteArray wave(44 + samples * 2, '\0');
    char *p = wave.data();
    memcpy(p, "RIFF", 4);
    qToLittleEndian<quint32>(quint32(wave.size() - 8), p + 4);
    memcpy(p + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, p + 16);
    qToLittleEndian<quint16>(1, p + 20); // PCM
    qToLittleEndian<quint16>(1, p + 22); // mono
    qToLittleEndian<quint32>(rate, p + 24);
    qToLittleEndian<quint32>(rate * 2, p + 28);
    qToLittleEndian<quint16>(2, p + 32);
    qToLittleEndian<quint16>(16, p + 34);
    memcpy(p + 36, "data", 4);
    qToLittleEndian<quint32>(samples * 2, p + 40);
    for (int i = 0; i < samples; ++i)
        qToLittleEndian<qint16>(qint16(8000 * std::sin(2 * M_PI * 440 * i / rate)), p + 44 + 2 * i);
    return wave;
}

void VoicevoxStandIn::readRequest(QTcpSocket *socket)
{
    // The whole request is kept on the socket until it is complete.
    const QByteArray input = socket->peek(kMaxRequest + 1);
    const qsizetype headEnd = input.indexOf("\r\n\r\n");
    if (headEnd < 0 || input.size() > kMaxRequest) {
        if (input.size() > kMaxRequest)
            socket->abort();
        return;
    }
    const QByteArray head = input.left(headEnd);
    qsizetype length = 0;
    for (const QByteArray &line : head.split('\n'))
        if (line.toLower().startsWith("content-length:"))
            length = line.mid(15).trimmed().toLongLong();
    if (input.size() < headEnd + 4 + length)
        return;
    socket->read(headEnd + 4 + length);
    const QList<QByteArray> requestLine = head.left(head.indexOf('\r')).split(' ');
    const QByteArray target = requestLine.value(1);
    const qsizetype mark = target.contains('?') ? target.indexOf('?') : target.size();
    Request request;
    request.path = target.left(mark);
    const QUrlQuery query(QString::fromLatin1(target.mid(mark + 1)));
    request.text = query.queryItemValue(QStringLiteral("text"), QUrl::FullyDecoded);
    request.speaker = query.queryItemValue(QStringLiteral("speaker")).toLatin1();
    request.body = input.mid(headEnd + 4, length);
    m_requests.append(request);
    emit requestReceived(request);
    answer(socket, request);
}

void VoicevoxStandIn::answer(QTcpSocket *socket, const Request &request)
{
    if (m_behaviour == Behaviour::Silent)
        return;
    if (m_behaviour == Behaviour::Garbage) {
        socket->write("SSH-2.0-not-a-speech-engine\r\n\r\n\0\1\2");
        socket->disconnectFromHost();
        return;
    }
    if (request.path == "/audio_query") {
        const QJsonObject query{
            {"accent_phrases", QJsonArray()}, {"speedScale", 1.0},   {"pitchScale", 0.0},
            {"intonationScale", 1.0},         {"volumeScale", 1.0},  {"outputSamplingRate", 24000},
            {"outputStereo", false},          {"kana", request.text}};
        socket->write(httpAnswer("200 OK", "application/json",
                                 QJsonDocument(query).toJson(QJsonDocument::Compact)));
    } else if (request.path == "/synthesis" && QJsonDocument::fromJson(request.body).isObject()) {
        socket->write(httpAnswer("200 OK", "audio/wav", toneWave()));
    } else {
        socket->write(httpAnswer("422 Unprocessable Entity", "application/json", "{}"));
    }
    socket->disconnectFromHost();
}

BouyomiStandIn::Command BouyomiStandIn::parse(const QByteArray &packet)
{
    Command c;
    if (packet.size() < 15)
        return c;
    const char *p = packet.constData();
    c.command = qFromLittleEndian<qint16>(p);
    c.speed = qFromLittleEndian<qint16>(p + 2);
    c.tone = qFromLittleEndian<qint16>(p + 4);
    c.volume = qFromLittleEndian<qint16>(p + 6);
    c.voice = qFromLittleEndian<qint16>(p + 8);
    c.charset = quint8(p[10]);
    const qint32 length = qFromLittleEndian<qint32>(p + 11);
    c.valid = length >= 0 && packet.size() == 15 + qsizetype(length);
    if (c.valid)
        c.text = QString::fromUtf8(packet.mid(15));
    return c;
}

BouyomiStandIn::BouyomiStandIn(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                if (socket->property("arriving").isNull()) {
                    socket->setProperty("arriving", true);
                    emit commandArriving();
                }
                if (socket->bytesAvailable() > kMaxRequest)
                    socket->abort();
            });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                const QByteArray packet = socket->readAll();
                socket->deleteLater();
                m_packets.append(packet);
                emit packetReceived(packet);
            });
        }
    });
}

bool BouyomiStandIn::listen(quint16 port)
{
    return m_server->listen(QHostAddress::LocalHost, port);
}

quint16 BouyomiStandIn::port() const
{
    return m_server->serverPort();
}
