#include "subtitle/commands.h"

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
