// The game's dictionaries: a hand-edited file reads as its text, the pool puts the text back
// together, a drawn topic comes from the pool, and the topic cleaning keeps its promises.
#include "fuzzcheck.h"

#include "game/dictionary.h"
#include "platform/codec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QString dictionaryPath()
{
    // Written for every input: in memory that costs nothing.
    static const QString base = QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                    ? QStringLiteral("/dev/shm")
                                    : QDir::tempPath();
    static QTemporaryDir dir(base + QStringLiteral("/fuzz_dictionary-XXXXXX"));
    return dir.filePath(QStringLiteral("x.cfq"));
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QChar(0x3000);
}

bool isKatakana(QChar c)
{
    return c.unicode() >= 0x30A1 && c.unicode() <= 0x30F3;
}

} // namespace

// Input: a random number byte, then the dictionary file's bytes (Shift_JIS, CR LF lines).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const uint8_t pick = in.byte();
    const QByteArray bytes = in.rest();

    const QString path = dictionaryPath();
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(bytes) == bytes.size());
    }
    const QString text = ReadDictionary(path);
    FUZZ_EQUAL(text, Codec::fromSjis(bytes));

    const QStringList pool = SplitPool(text);
    FUZZ_CHECK(pool.isEmpty() == text.isEmpty());
    if (!text.isEmpty()) {
        // Every line end, whatever its form, separates two elements.
        QString crlf;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c == QLatin1Char('\r') && i + 1 < text.size() &&
                text.at(i + 1) == QLatin1Char('\n'))
                continue; // the LF that follows writes the line end
            crlf += c == QLatin1Char('\r') || c == QLatin1Char('\n') ? QStringLiteral("\r\n")
                                                                     : QString(c);
        }
        FUZZ_EQUAL(pool.join(QStringLiteral("\r\n")), crlf);
    }

    // Any source, even one outside [0, 1), draws an element other than the last (unless it is
    // the only one), cleaned.
    for (const double r : {pick / 256.0, -1.0, 2.5}) {
        const std::optional<QString> topic = GetQuestion(pool, [r] { return r; });
        FUZZ_CHECK(topic.has_value() == !pool.isEmpty());
        if (!topic)
            continue;
        const qsizetype drawable = std::max<qsizetype>(1, pool.size() - 1);
        bool found = false;
        for (qsizetype i = 0; i < drawable && !found; ++i)
            found = CleanTopic(pool.at(i)) == *topic;
        FUZZ_CHECK(found);
    }

    for (const QString &line : pool) {
        const QString hiragana = ToHiragana(line);
        FUZZ_EQUAL(hiragana.size(), line.size());
        FUZZ_EQUAL(ToHiragana(hiragana), hiragana);
        for (qsizetype i = 0; i < line.size(); ++i) {
            FUZZ_CHECK(!isKatakana(hiragana.at(i)));
            if (!isKatakana(line.at(i)))
                FUZZ_CHECK(hiragana.at(i) == line.at(i));
        }

        const QString trimmed = TrimBlanks(line);
        FUZZ_CHECK(line.contains(trimmed));
        FUZZ_CHECK(trimmed.isEmpty() || (!isBlank(trimmed.front()) && !isBlank(trimmed.back())));
        FUZZ_EQUAL(TrimBlanks(trimmed), trimmed);

        const QString topic = CleanTopic(line);
        FUZZ_CHECK(!topic.isEmpty());
        FUZZ_CHECK(!isBlank(topic.front()) && !isBlank(topic.back()));
        for (QChar c : topic) {
            FUZZ_CHECK(c != QLatin1Char('\t') && c != QLatin1Char('-') && c != QChar(0xFF0D));
            FUZZ_CHECK(!isKatakana(c) && c != QChar(0x30F4));
        }
    }
    return 0;
}
