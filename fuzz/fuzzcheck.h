#pragma once

#include <QDebug>
#include <QList>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A property that does not hold stops the run: libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property does not hold: %s\n", __FILE__, __LINE__,        \
                         #condition);                                                              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// Like FUZZ_CHECK(a == b), printing both sides.
#define FUZZ_EQUAL(a, b)                                                                           \
    do {                                                                                           \
        const auto &fuzzLeft = (a);                                                                \
        const auto &fuzzRight = (b);                                                               \
        if (!(fuzzLeft == fuzzRight)) {                                                            \
            qCritical().noquote() << __FILE__ << __LINE__ << "differ:" << #a << "vs" << #b;        \
            qCritical() << fuzzLeft;                                                               \
            qCritical() << fuzzRight;                                                              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// The input taken apart front to back, so seeds stay easy to write by hand: control bytes first,
// then the payload. Bytes beyond the end read as 0.
class FuzzInput
{
public:
    FuzzInput(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}

    uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    uint16_t word()
    {
        const uint16_t low = byte();
        return uint16_t(low | byte() << 8);
    }
    QByteArray rest()
    {
        const size_t at = m_pos < m_size ? m_pos : m_size;
        m_pos = m_size;
        return QByteArray(reinterpret_cast<const char *>(m_data + at), qsizetype(m_size - at));
    }

private:
    const uint8_t *m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// `count` words of the input, to become cut positions once the payload's size is known.
inline QList<uint16_t> fuzzWords(FuzzInput &in, int count)
{
    QList<uint16_t> words;
    for (int i = 0; i < count; ++i)
        words << in.word();
    return words;
}

// `bytes` cut at the given words (each taken modulo its size + 1), in order. Empty pieces stay:
// a chunk may be empty.
inline QList<QByteArray> fuzzSplit(const QByteArray &bytes, const QList<uint16_t> &words)
{
    QList<qsizetype> cuts;
    for (uint16_t w : words)
        cuts << qsizetype(w) % (bytes.size() + 1);
    std::sort(cuts.begin(), cuts.end());
    QList<QByteArray> pieces;
    qsizetype from = 0;
    for (qsizetype cut : cuts) {
        pieces << bytes.mid(from, cut - from);
        from = cut;
    }
    pieces << bytes.mid(from);
    return pieces;
}
