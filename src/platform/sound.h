#pragma once

#include <QHash>
#include <QObject>
#include <functional>

class QSoundEffect;

// Plays short wave files without waiting; silent when the file or the audio device is missing.
class WavePlayer : public QObject
{
    Q_OBJECT
public:
    // hasOutput tells whether the desktop offers an audio output (asked at every sound).
    explicit WavePlayer(QObject *parent = nullptr, std::function<bool()> hasOutput = {});
    void PlayWave(const QString &path);

signals:
    // A sound was due but there is no audio output; said once per player.
    void noAudioOutput();

private:
    QHash<QString, QSoundEffect *> m_effects;
    std::function<bool()> m_hasOutput;
    bool m_saidNoOutput = false;
};
