#include "game/hints.h"

namespace {

QString circles(qsizetype n)
{
    return QString(qMax<qsizetype>(0, n), QChar(0x25CB));
}

// First `head` characters, circles for the middle, last `tail` characters.
QString hint(const QString &topic, qsizetype head, qsizetype tail)
{
    const qsizetype n = topic.size();
    return topic.left(head) + circles(n - head - tail) + topic.right(tail);
}

std::optional<QString> hintAt(const QString &topic, int t)
{
    const qsizetype n = topic.size();
    if (n == 3 && t == 30)
        return hint(topic, 1, 0);
    if (n >= 4 && n <= 5) {
        if (t == 45)
            return hint(topic, 1, 0);
        if (t == 30)
            return hint(topic, 1, 1);
    }
    if (n >= 6 && n <= 8) {
        if (t == 60)
            return hint(topic, 1, 0);
        if (t == 40)
            return hint(topic, 1, 1);
    }
    if (n >= 9 && n <= 300) {
        switch (t) {
        case 60:
            return hint(topic, 1, 0);
        case 45:
            return hint(topic, 1, 1);
        case 30:
            return hint(topic, 2, 1);
        case 20:
            return hint(topic, 2, 2);
        default:
            break;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> QuestionLabelAt(const QString &topic, int t)
{
    if (t == 150)
        return QStringLiteral("？？？");
    if (t == 90)
        return circles(topic.size());
    if (t == 0)
        return topic;
    return hintAt(topic, t);
}
