// The command words of a mail field: enabling and colours on any text.
#include "fuzzcheck.h"

#include "settings/commandwords.h"

namespace {

// True when `part` can be had from `text` by leaving characters out.
bool isSubsequence(const QString &part, const QString &text)
{
    qsizetype at = 0;
    for (QChar c : part) {
        at = text.indexOf(c, at);
        if (at < 0)
            return false;
        ++at;
    }
    return true;
}

} // namespace

// Input: three bytes of enable flags (one bit per word), four bytes of fallback colour, then
// UTF-8: the mail field, a line feed, a stored EnableCommand value.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const quint32 bits = in.byte() | in.byte() << 8 | in.byte() << 16;
    const qint32 fallback = qint32(quint32(in.word()) | quint32(in.word()) << 16);
    const QString payload = QString::fromUtf8(in.rest());
    const qsizetype lf = payload.indexOf(QLatin1Char('\n'));
    const QString mail = lf < 0 ? payload : payload.left(lf);
    const QString stored = lf < 0 ? QString() : payload.mid(lf + 1);

    const int count = int(Commands::CommandWords().size());
    QVector<bool> enabled(count);
    for (int i = 0; i < count; ++i)
        enabled[i] = bits & (1u << i);

    FUZZ_EQUAL(GetEnableCommand(mail, QVector<bool>(count, true)), mail);
    const QString command = GetEnableCommand(mail, enabled);
    FUZZ_CHECK(isSubsequence(command, mail));

    // The stored form reads back as it was written, and any stored text settles after one pass.
    FUZZ_EQUAL(Commands::ParseEnableCommand(Commands::FormatEnableCommand(enabled)), enabled);
    const QVector<bool> parsed = Commands::ParseEnableCommand(stored);
    FUZZ_EQUAL(parsed.size(), count);
    FUZZ_EQUAL(Commands::ParseEnableCommand(Commands::FormatEnableCommand(parsed)), parsed);

    // The colour is the last colour word of the table that occurs; with none, the fallback.
    const QStringList &colourWords = Commands::ColourWords();
    qsizetype last = -1;
    for (qsizetype i = 0; i < colourWords.size(); ++i) {
        if (command.contains(colourWords[i]))
            last = i;
    }
    const qint32 colour = GetColorCode(command, fallback);
    if (last < 0)
        FUZZ_EQUAL(colour, fallback);
    else
        FUZZ_EQUAL(colour, GetColorCode(colourWords[last], fallback));
    if (last >= 0)
        FUZZ_CHECK(GetFuchiColorCode(colour) != colour);

    const int points = CommandFontSize(command);
    FUZZ_CHECK(points == 0 || points == 12 || points == 24 || points == 30 || points == 50 ||
               points == 120);
    return 0;
}
