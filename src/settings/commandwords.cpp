#include "settings/commandwords.h"

#include <iterator>

namespace {

// The size words in the order a command text is searched for them: the first found decides.
// `setting` is the FontSize value that stands for the same size.
struct SizeRow
{
    const char *word;
    int points;
    int setting;
};

const SizeRow kSizes[] = {
    {"big", 30, 1}, {"small", 12, 2}, {"normal", 24, 0}, {"jumbo", 50, 3}, {"gigantic", 120, 4},
};

struct ColourRow
{
    const char *word;
    qint32 code;
    qint32 outline;
};

constexpr qint32 rgb(int r, int g, int b)
{
    return b * 65536 + g * 256 + r;
}

// In FontColor order. Later rows win when several colour words occur.
const ColourRow kColours[] = {
    {"white", rgb(255, 255, 255), rgb(0, 0, 128)},    {"red", rgb(255, 0, 0), rgb(255, 255, 255)},
    {"orange", rgb(255, 128, 0), rgb(0, 0, 128)},     {"yellow", rgb(255, 255, 0), rgb(0, 64, 0)},
    {"pink", rgb(255, 128, 255), rgb(0, 0, 128)},     {"blue", rgb(0, 0, 255), rgb(255, 255, 255)},
    {"purple", rgb(128, 0, 128), rgb(255, 192, 255)}, {"cyan", rgb(0, 255, 255), rgb(192, 64, 0)},
    {"green", rgb(0, 255, 0), rgb(0, 0, 128)},
};

} // namespace

namespace Commands {

const QStringList &SizeWords()
{
    static const QStringList words = [] {
        QStringList list(std::size(kSizes));
        for (const SizeRow &row : kSizes)
            list[row.setting] = QLatin1String(row.word);
        return list;
    }();
    return words;
}

const QStringList &ColourWords()
{
    static const QStringList words = [] {
        QStringList list;
        for (const ColourRow &row : kColours)
            list << QLatin1String(row.word);
        return list;
    }();
    return words;
}

const QStringList &CommandWords()
{
    static const QStringList words =
        QStringList{QStringLiteral("ue"), QStringLiteral("shita"), QStringLiteral("naka")} +
        SizeWords() + ColourWords();
    return words;
}

QVector<bool> ParseEnableCommand(const QString &stored)
{
    const QStringList pieces = stored.split(QLatin1Char(','));
    QVector<bool> enabled(CommandWords().size(), false);
    for (int i = 0; i < enabled.size() && i < pieces.size(); ++i) {
        // A piece reads as true when it is a non-zero number or the word "True".
        const QString p = pieces[i].trimmed();
        bool ok = false;
        const double v = p.toDouble(&ok);
        enabled[i] = ok ? v != 0 : p.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    }
    return enabled;
}

QString FormatEnableCommand(const QVector<bool> &enabled)
{
    QString text;
    for (bool on : enabled)
        text += on ? QStringLiteral("1,") : QStringLiteral("0,");
    return text;
}

} // namespace Commands

QString GetEnableCommand(const QString &text, const QVector<bool> &enabled)
{
    QString result = text;
    const QStringList &words = Commands::CommandWords();
    for (int i = 0; i < words.size(); ++i) {
        if (i >= enabled.size() || !enabled[i])
            result.remove(words[i]);
    }
    return result;
}

CommandPlace CommandPlaceOf(const QString &command)
{
    if (command.contains(QLatin1String("naka")))
        return CommandPlace::Middle;
    if (command.contains(QLatin1String("shita")))
        return CommandPlace::Bottom;
    if (QString(command).remove(QLatin1String("blue")).contains(QLatin1String("ue")))
        return CommandPlace::Top;
    return CommandPlace::None;
}

int CommandFontSize(const QString &command)
{
    for (const SizeRow &row : kSizes) {
        if (command.contains(QLatin1String(row.word)))
            return row.points;
    }
    return 0;
}

int FontSizePoints(int fontSize)
{
    // A hand-edited store can hold anything; that draws at the normal size (setting 0).
    if (fontSize < 0 || fontSize >= int(std::size(kSizes)))
        fontSize = 0;
    for (const SizeRow &row : kSizes) {
        if (row.setting == fontSize)
            return row.points;
    }
    return 0;
}

qint32 GetColorCode(const QString &command, qint32 fallback)
{
    qint32 result = 0;
    for (const ColourRow &row : kColours) {
        if (command.contains(QLatin1String(row.word)))
            result = row.code;
    }
    return result == 0 ? fallback : result;
}

qint32 GetFuchiColorCode(qint32 code)
{
    for (const ColourRow &row : kColours) {
        if (row.code == code)
            return row.outline;
    }
    return 0;
}
