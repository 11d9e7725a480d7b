#include "subtitle/commands.h"

namespace {

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

// Later rows win when several colour words occur.
const ColourRow kColours[] = {
    {"white", rgb(255, 255, 255), rgb(0, 0, 128)},    {"red", rgb(255, 0, 0), rgb(255, 255, 255)},
    {"orange", rgb(255, 128, 0), rgb(0, 0, 128)},     {"yellow", rgb(255, 255, 0), rgb(0, 64, 0)},
    {"pink", rgb(255, 128, 255), rgb(0, 0, 128)},     {"blue", rgb(0, 0, 255), rgb(255, 255, 255)},
    {"purple", rgb(128, 0, 128), rgb(255, 192, 255)}, {"cyan", rgb(0, 255, 255), rgb(192, 64, 0)},
    {"green", rgb(0, 255, 0), rgb(0, 0, 128)},
};

} // namespace

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

int CommandFontSize(const QString &command)
{
    static const struct
    {
        const char *word;
        int points;
    } sizes[] = {{"big", 30}, {"small", 12}, {"normal", 24}, {"jumbo", 50}, {"gigantic", 120}};
    for (const auto &s : sizes) {
        if (command.contains(QLatin1String(s.word)))
            return s.points;
    }
    return 0;
}

int FontSizePoints(int fontSize)
{
    static const int points[] = {24, 30, 12, 50, 120};
    if (fontSize < 0 || fontSize > 4)
        return 24; // a hand-edited store can hold anything; draw at the normal size
    return points[fontSize];
}
