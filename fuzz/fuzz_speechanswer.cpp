// A speech engine's answer: however the connection cuts the bytes, the same state, status and
// body, never more body than allowed; the voice taken from the body is whole frames of it, in a
// format the audio output is handed nothing else than.
#include "fuzzcheck.h"

#include "speech/httpanswer.h"
#include "speech/wavedata.h"

namespace {

struct Outcome
{
    HttpAnswer::State state;
    int status;
    QByteArray body;
    bool operator==(const Outcome &o) const
    {
        return state == o.state && status == o.status && body == o.body;
    }
};

QDebug operator<<(QDebug d, const Outcome &o)
{
    return d << int(o.state) << o.status << o.body.size();
}

// Fed as the VOICEVOX client does: until the answer is done or bad, then the close.
Outcome receive(const QList<QByteArray> &chunks, qint64 maxBody)
{
    HttpAnswer answer(maxBody);
    for (const QByteArray &chunk : chunks) {
        const HttpAnswer::State s = answer.feed(chunk);
        if (s == HttpAnswer::State::Done || s == HttpAnswer::State::Bad)
            break;
    }
    answer.close();
    return {answer.state(), answer.status(),
            answer.state() == HttpAnswer::State::Done ? answer.body() : QByteArray()};
}

} // namespace

// Input: the body bound (one byte, times 64), cut count, two bytes per cut, then the answer.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const qint64 maxBody = qint64(in.byte()) * 64;
    const QList<uint16_t> words = fuzzWords(in, in.byte() % 17);
    const QByteArray answer = in.rest();

    const Outcome whole = receive({answer}, maxBody);
    FUZZ_EQUAL(receive(fuzzSplit(answer, words), maxBody), whole);
    FUZZ_CHECK(whole.body.size() <= maxBody && whole.body.size() <= answer.size());

    // The answer itself read as a voice file, as a synthesis body would be.
    if (const std::optional<WaveData> wave = ParseWave(answer)) {
        FUZZ_CHECK(wave->channels == 1 || wave->channels == 2);
        FUZZ_CHECK(wave->bitsPerSample == 8 || wave->bitsPerSample == 16);
        FUZZ_CHECK(wave->sampleRate >= 8000 && wave->sampleRate <= 96000);
        FUZZ_CHECK(wave->samples.size() % (wave->channels * wave->bitsPerSample / 8) == 0);
        FUZZ_CHECK(answer.contains(wave->samples));
    }
    return 0;
}
