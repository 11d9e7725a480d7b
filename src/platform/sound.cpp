#include "platform/sound.h"

#include <QAudioDevice>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>
#include <utility>

WavePlayer::WavePlayer(QObject *parent, std::function<bool()> hasOutput)
    : QObject(parent), m_hasOutput(std::move(hasOutput))
{
    if (!m_hasOutput)
        m_hasOutput = [] { return !QMediaDevices::audioOutputs().isEmpty(); };
}

void WavePlayer::PlayWave(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return;
    if (!m_hasOutput()) {
        if (!std::exchange(m_saidNoOutput, true))
            emit noAudioOutput();
        return;
    }
    QSoundEffect *effect = m_effects.value(path);
    if (!effect) {
        effect = new QSoundEffect(this);
        effect->setSource(QUrl::fromLocalFile(path));
        m_effects.insert(path, effect);
    }
    effect->play();
}
