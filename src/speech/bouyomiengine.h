#pragma once

#include "speech/speechengine.h"

#include <QByteArray>
#include <QPointer>
#include <QTimer>

class QTcpSocket;

// BouyomiChan's speaking command as its TCP interface takes it, little-endian: command 0x0001,
// speed, tone, volume and voice (int16; -1 leaves the engine's own), charset (0: UTF-8),
// the length of the text in bytes (int32) and the text as UTF-8.
QByteArray BouyomiPacket(const QString &text, qint16 speed, qint16 tone, qint16 volume,
                         qint16 voice);

// Reads through BouyomiChan: one connection per utterance, which ends once the command is
// written and the connection closed. BouyomiChan queues and speaks it on its own.
class BouyomiEngine : public SpeechEngine
{
    Q_OBJECT
public:
    // `rate` -10..10 and `volume` 0..100 as the options hold them; the presets (0 and 100)
    // leave BouyomiChan's own speed and volume.
    BouyomiEngine(const QString &host, quint16 port, int rate, int volume,
                  QObject *parent = nullptr);
    ~BouyomiEngine() override;

    void speak(const QString &text) override;
    void stop() override;

    // Time to connect, and to have the command written and the connection closed.
    void setTimeLimits(int connectMs, int sendMs);

private:
    void finish(const QString &failure);
    QString where() const;

    QString m_host;
    quint16 m_port;
    qint16 m_speed;
    qint16 m_volume;
    int m_connectMs = 2000;
    int m_sendMs = 10000;
    QPointer<QTcpSocket> m_socket;
    QTimer m_limit;
};
