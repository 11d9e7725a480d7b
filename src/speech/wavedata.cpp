#include "speech/wavedata.h"

#include <QtEndian>

namespace {

quint32 U32(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}
quint16 U16(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

} // namespace

std::optional<WaveData> ParseWave(const QByteArray &file)
{
    if (file.size() < 12 || !file.startsWith("RIFF") || file.mid(8, 4) != "WAVE")
        return std::nullopt;
    WaveData wave;
    bool haveFormat = false;
    // Chunks in any order; unknown ones (LIST, fact…) are stepped over.
    for (qsizetype at = 12; at + 8 <= file.size();) {
        const QByteArray id = file.mid(at, 4);
        const qint64 size = U32(file, at + 4);
        const qsizetype body = at + 8;
        if (size > file.size() - body) {
            // A data chunk cut short (or announced with the streaming maximum) keeps what came.
            if (id != "data")
                return std::nullopt;
        }
        if (id == "fmt ") {
            if (size < 16)
                return std::nullopt;
            const quint16 format = U16(file, body);
            wave.channels = U16(file, body + 2);
            wave.sampleRate = int(U32(file, body + 4));
            wave.bitsPerSample = U16(file, body + 14);
            haveFormat = format == 1 && (wave.channels == 1 || wave.channels == 2) &&
                         (wave.bitsPerSample == 8 || wave.bitsPerSample == 16) &&
                         wave.sampleRate >= 8000 && wave.sampleRate <= 96000;
            if (!haveFormat)
                return std::nullopt;
        } else if (id == "data") {
            if (!haveFormat)
                return std::nullopt;
            const qsizetype frame = wave.channels * wave.bitsPerSample / 8;
            qsizetype bytes = qsizetype(qMin<qint64>(size, file.size() - body));
            bytes -= bytes % frame;
            wave.samples = file.mid(body, bytes);
            return wave;
        }
        at = body + size + (size & 1); // chunks are padded to an even size
    }
    return std::nullopt;
}
