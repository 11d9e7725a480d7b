#include "speech/voicevoxengine.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>

VoicevoxEngine::VoicevoxEngine(const QString &url, int speaker, int rate, int volume,
                               QObject *parent)
    : SpeechEngine(parent), m_client(url, speaker, rate),
      // The setting is a loudness a person hears; the output takes a linear factor.
      m_volume(QAudio::convertVolume(qBound(0, volume, 100) / 100.0, QAudio::LogarithmicVolumeScale,
                                     QAudio::LinearVolumeScale))
{
    connect(&m_client, &VoicevoxClient::waveReady, this, &VoicevoxEngine::play);
    connect(&m_client, &VoicevoxClient::failed, this, &VoicevoxEngine::finish);
}

VoicevoxEngine::~VoicevoxEngine()
{
    stop();
}

void VoicevoxEngine::speak(const QString &text)
{
    stop();
    m_client.synthesize(text);
}

void VoicevoxEngine::stop()
{
    m_client.abort();
    if (QAudioSink *sink = m_sink) {
        m_sink = nullptr;
        sink->disconnect(this);
        sink->stop();
        sink->deleteLater();
    }
}

void VoicevoxEngine::play(const WaveData &wave)
{
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        finish(QStringLiteral("音声の出力先が見つからないため、読み上げの音声を鳴らせません"));
        return;
    }
    QAudioFormat format;
    format.setSampleRate(wave.sampleRate);
    format.setChannelCount(wave.channels);
    format.setSampleFormat(wave.bitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    emit playing(wave);
    // Kept out of the object tree: with Qt 6.4's PulseAudio output, a sink that was a child of
    // the main window's objects crashed when it was deleted (seen in the main-window tests).
    auto *sink = new QAudioSink(device, format);
    m_sink = sink;
    sink->setVolume(m_volume);
    // The samples live as long as the output that reads them.
    auto *samples = new QBuffer(sink);
    samples->setData(wave.samples);
    samples->open(QIODevice::ReadOnly);
    connect(sink, &QAudioSink::stateChanged, this, [this, sink](QAudio::State state) {
        if (sink != m_sink)
            return;
        // Idle: every sample has been handed to the output.
        if (state == QAudio::IdleState)
            finish(QString());
        else if (state == QAudio::StoppedState && sink->error() != QAudio::NoError)
            finish(QStringLiteral("読み上げの音声を再生できませんでした"));
    });
    sink->start(samples);
}

void VoicevoxEngine::finish(const QString &failure)
{
    stop();
    emit finished(failure);
}
