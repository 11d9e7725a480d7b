#pragma once

#include <QByteArray>
#include <optional>

// The samples of a RIFF WAVE file as a speech engine sends it: integer PCM, 8 or 16 bits,
// 1 or 2 channels, 8000 to 96000 samples a second. Anything else is refused, so only plain
// samples ever reach the audio output.
struct WaveData
{
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    QByteArray samples; // whole frames only
};
std::optional<WaveData> ParseWave(const QByteArray &file);
