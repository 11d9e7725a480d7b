// The boards' decoders: chunks decode to the text of the whole, and CP932 text written back
// as bytes reads as the same text.
#include "fuzzcheck.h"

#include "platform/codec.h"

namespace {

template<typename Decoder> QString decodeChunks(const QList<QByteArray> &chunks)
{
    Decoder decoder;
    QString text;
    for (const QByteArray &chunk : chunks)
        text += decoder.decode(chunk);
    return text + decoder.finish();
}

} // namespace

// Input: flags (1: EUC-JP rental-board body), cut count, two bytes per cut, then the bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const bool euc = in.byte() & 1;
    const QList<uint16_t> words = fuzzWords(in, in.byte() % 17);
    const QByteArray bytes = in.rest();
    const QList<QByteArray> chunks = fuzzSplit(bytes, words);

    if (euc) {
        FUZZ_EQUAL(decodeChunks<Codec::EucToSjisDecoder>(chunks), Codec::EucToSjis(bytes));
        return 0;
    }
    const QString text = Codec::fromSjis(bytes);
    FUZZ_EQUAL(decodeChunks<Codec::SjisDecoder>(chunks), text);
    // Whatever the bytes decoded to, written back and read again it is the same text; written
    // back a second time it is the same bytes.
    const QByteArray written = Codec::toSjis(text);
    FUZZ_EQUAL(Codec::fromSjis(written), text);
    FUZZ_EQUAL(Codec::toSjis(Codec::fromSjis(written)), written);
    FUZZ_EQUAL(Codec::sjisLength(text), written.size());
    return 0;
}
