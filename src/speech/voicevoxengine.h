#pragma once

#include "speech/speechengine.h"
#include "speech/voicevoxclient.h"

#include <QPointer>

class QAudioSink;

// Reads through a VOICEVOX engine: the client fetches the voice, the samples are played on the
// default audio output at `Volume`. The utterance ends when the samples have been played.
class VoicevoxEngine : public SpeechEngine
{
    Q_OBJECT
public:
    VoicevoxEngine(const QString &url, int speaker, int rate, int volume,
                   QObject *parent = nullptr);
    ~VoicevoxEngine() override;

    void speak(const QString &text) override;
    void stop() override;
    VoicevoxClient &client() { return m_client; }

signals:
    // The voice arrived and its playing starts (tests and the benchmark watch it).
    void playing(const WaveData &wave);

private:
    void play(const WaveData &wave);
    void finish(const QString &failure);

    VoicevoxClient m_client;
    double m_volume;
    QPointer<QAudioSink> m_sink;
};
