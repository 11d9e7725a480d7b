#include "speech/bouyomiengine.h"

#include "settings/speechoptions.h"

#include <QTcpSocket>
#include <QtEndian>
#include <cmath>

QByteArray BouyomiPacket(const QString &text, qint16 speed, qint16 tone, qint16 volume,
                         qint16 voice)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray packet(15, '\0');
    char *p = packet.data();
    qToLittleEndian<qint16>(0x0001, p);
    qToLittleEndian<qint16>(speed, p + 2);
    qToLittleEndian<qint16>(tone, p + 4);
    qToLittleEndian<qint16>(volume, p + 6);
    qToLittleEndian<qint16>(voice, p + 8);
    p[10] = 0; // UTF-8
    qToLittleEndian<qint32>(qint32(utf8.size()), p + 11);
    return packet + utf8;
}

BouyomiEngine::BouyomiEngine(const QString &host, quint16 port, int rate, int volume,
                             QObject *parent)
    : SpeechEngine(parent), m_host(host), m_port(port),
      // BouyomiChan's speed is a percentage (50 to 300); each 10 steps of Rate double it.
      m_speed(rate == 0 ? -1 : qint16(std::lround(100 * std::pow(2.0, rate / 10.0)))),
      m_volume(volume >= 100 ? -1 : qint16(qBound(0, volume, 100)))
{
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, [this] {
        const bool connected = m_socket && m_socket->state() != QAbstractSocket::ConnectingState &&
                               m_socket->state() != QAbstractSocket::HostLookupState;
        finish(connected
                   ? where() + QStringLiteral("が読み上げる文を受け取りませんでした（時間切れ）")
                   : where() +
                         QStringLiteral("に接続できませんでした（%1秒以内に応答がありません）")
                             .arg(m_connectMs / 1000.0));
    });
}

BouyomiEngine::~BouyomiEngine()
{
    stop();
}

void BouyomiEngine::setTimeLimits(int connectMs, int sendMs)
{
    m_connectMs = connectMs;
    m_sendMs = sendMs;
}

void BouyomiEngine::speak(const QString &text)
{
    stop();
    if (!IsLocalSpeechHost(m_host)) {
        QTimer::singleShot(0, this, [this] {
            emit finished(QStringLiteral("棒読みちゃんのホストにはこのパソコンかLAN内のアドレスを"
                                         "指定してください（%1）")
                              .arg(m_host));
        });
        return;
    }
    auto *socket = new QTcpSocket(this);
    m_socket = socket;
    const QByteArray packet = BouyomiPacket(text, m_speed, -1, m_volume, 0);
    connect(socket, &QTcpSocket::connected, this, [this, socket, packet] {
        m_limit.start(m_sendMs);
        socket->write(packet);
        socket->disconnectFromHost(); // closes once everything is written
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        if (socket == m_socket)
            finish(socket->bytesToWrite() == 0
                       ? QString()
                       : where() + QStringLiteral("が途中で接続を切りました"));
    });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] {
        // The close after the command is written is the normal end; everything else failed.
        if (socket != m_socket || socket->state() == QAbstractSocket::ClosingState)
            return;
        finish(socket->error() == QAbstractSocket::ConnectionRefusedError
                   ? where() + QStringLiteral("に接続できませんでした（接続を拒否されました。"
                                              "起動しているか、ポート番号を確認してください）")
                   : where() +
                         QStringLiteral("に接続できませんでした（%1）").arg(socket->errorString()));
    });
    // Anything BouyomiChan sends back is not read.
    connect(socket, &QTcpSocket::readyRead, socket,
            [socket] { socket->skip(socket->bytesAvailable()); });
    m_limit.start(m_connectMs);
    socket->connectToHost(m_host, m_port);
}

void BouyomiEngine::stop()
{
    m_limit.stop();
    if (QTcpSocket *socket = m_socket) {
        m_socket = nullptr;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

QString BouyomiEngine::where() const
{
    return QStringLiteral("棒読みちゃん（%1:%2）").arg(m_host).arg(m_port);
}

void BouyomiEngine::finish(const QString &failure)
{
    stop();
    emit finished(failure);
}
