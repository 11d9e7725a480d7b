#pragma once

#include <QHash>
#include <QObject>

class QSoundEffect;

// Plays short wave files without waiting; silent when the file or the audio device is missing.
class WavePlayer : public QObject
{
    Q_OBJECT
public:
    explicit WavePlayer(QObject *parent = nullptr);
    void PlayWave(const QString &path);

private:
    QHash<QString, QSoundEffect *> m_effects;
};
