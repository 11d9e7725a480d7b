#pragma once

#include "platform/boardsocket.h"
#include "speech/httpanswer.h"
#include "speech/wavedata.h"

#include <QObject>

// The VOICEVOX engine's HTTP interface on the program's connection machinery:
// POST /audio_query?text=…&speaker=N gives a query (JSON), POST /synthesis?speaker=N with that
// query gives the voice as WAVE. Each answer is bounded in time and size, and only a query that
// is a JSON object and samples that are plain PCM are taken.
class VoicevoxClient : public QObject
{
    Q_OBJECT
public:
    struct Limits
    {
        int connectMs = 2000;
        int answerMs = 10000;
        qint64 maxQuery = qint64(1) << 20;
        qint64 maxWave = qint64(8) << 20;
    };

    // `url` as the options hold it; `rate` -10..10 becomes the query's speedScale.
    VoicevoxClient(const QString &url, int speaker, int rate, QObject *parent = nullptr);

    void setLimits(const Limits &limits) { m_limits = limits; }
    // Starts the two requests for `text`; waveReady() or failed() once, unless abort()ed.
    void synthesize(const QString &text);
    void abort();

signals:
    void waveReady(const WaveData &wave);
    void failed(const QString &text);

private:
    enum class Step
    {
        Idle,
        Query,
        Synthesis
    };
    void send(const QByteArray &target, const QByteArray &body, qint64 maxBody);
    void onReceived(const QByteArray &chunk);
    void onEnded(BoardSocket::End how);
    void onAnswer();
    void fail(const QString &text);
    QString where() const;

    BoardSocket m_socket;
    Limits m_limits;
    QString m_url;
    QString m_host;
    quint16 m_port = 0;
    int m_speaker;
    double m_speedScale;
    Step m_step = Step::Idle;
    HttpAnswer m_answer{0};
};
