#pragma once

#include "speech/speechengine.h"

#include <QPointer>
#include <QThread>
#include <QTimer>

class SystemVoiceWorker;

// Reads through the system's voice (Qt TextToSpeech, speech-dispatcher on Linux). Opening the
// speech service may start it and wait for it, so the voice lives on a thread of its own and
// the window never waits on it.
class SystemVoiceEngine : public SpeechEngine
{
    Q_OBJECT
public:
    // `rate` -10..10 and `volume` 0..100 as the options hold them.
    SystemVoiceEngine(int rate, int volume, QObject *parent = nullptr);
    ~SystemVoiceEngine() override;

    void speak(const QString &text) override;
    void stop() override;
    // Time for the voice to begin speaking, and added time allowed per character.
    void setTimeLimits(int startMs, int perCharacterMs);

private:
    void onDone(quint64 utterance, const QString &failure);

    QThread *m_thread;
    QPointer<SystemVoiceWorker> m_worker;
    QTimer m_limit;
    quint64 m_utterance = 0;
    bool m_running = false;
    int m_startMs = 10000;
    int m_perCharacterMs = 1000;
};

// The voice itself, on the engine's thread.
class SystemVoiceWorker : public QObject
{
    Q_OBJECT
public:
    void open(int rate, int volume);
    void say(quint64 utterance, const QString &text);
    void stop();

signals:
    void done(quint64 utterance, const QString &failure);

private:
    class QTextToSpeech *m_voice = nullptr;
    quint64 m_utterance = 0;
    bool m_spoke = false;
};
