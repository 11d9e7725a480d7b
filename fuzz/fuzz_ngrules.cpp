// The NG rule files: whatever a hand-edited file holds, the rules written back read back the
// same, and a file that could not be read whole is left as it was; a pattern taken from the
// input ends its match within its bounds (libFuzzer's time-out catches one that does not).
#include "fuzzcheck.h"

#include "rendering/ngrules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QString folder()
{
    // Written for every input: in memory that costs nothing.
    static const QString base = QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                    ? QStringLiteral("/dev/shm")
                                    : QDir::tempPath();
    static QTemporaryDir dir(base + QStringLiteral("/fuzz_ngrules-XXXXXX"));
    return dir.path() + QLatin1Char('/');
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// Input: the kind (0 ID, 1 name, 2 pattern), NgIdHours, then the file's bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    constexpr qint64 kNow = 1800000000;
    FuzzInput in(data, size);
    const NgRules::Kind kind = NgRules::kKinds[in.byte() % 3];
    const int hours = in.byte();
    const QByteArray bytes = in.rest();
    for (const NgRules::Kind k : NgRules::kKinds)
        QFile::remove(folder() + NgRules::fileName(k));
    const QString path = folder() + NgRules::fileName(kind);
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }

    NgRules rules;
    rules.load(folder(), kNow, hours);
    const QString text = QString::fromUtf8(bytes);
    const NgPattern pattern(text.section(QLatin1Char('\n'), 0, 0));
    pattern.match(text);
    rules.hides(text.left(8), text, text);

    const QStringList before = rules.list(kind);
    FUZZ_CHECK(before.size() <= NgRules::kMaxRules);
    const QString added = QStringLiteral("fuzz-added-rule");
    if (before.contains(added) || before.size() == NgRules::kMaxRules)
        return 0;
    // A change writes the file: one rule in and out again.
    const NgRules::Outcome outcome = rules.add(kind, added, kNow);
    FUZZ_CHECK(outcome.inEffect);
    rules.remove(kind, int(before.size()));
    FUZZ_EQUAL(rules.list(kind), before);
    if (outcome.message.isEmpty()) {
        NgRules again;
        again.load(folder(), kNow, hours);
        FUZZ_EQUAL(again.list(kind), before);
    } else {
        FUZZ_EQUAL(readAll(path), bytes);
    }
    return 0;
}
