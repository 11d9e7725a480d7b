#include "subtitle/onair.h"

namespace OnAir {

QString StateText(State state)
{
    switch (state) {
    case State::Shown:
        return QStringLiteral("表示中");
    case State::Paused:
        return QStringLiteral("一時停止中");
    case State::Hidden:
        break;
    }
    return QStringLiteral("非表示");
}

QString WaitingText(int waiting)
{
    return QStringLiteral("待ち %1件").arg(waiting);
}

QString DelayText(const QList<MakuEntry> &entries, qint64 now)
{
    qint64 seconds = 0;
    for (const MakuEntry &entry : entries) {
        if (entry.kind == MakuEntry::Kind::Post) {
            seconds = qMax<qint64>(0, (now - entry.received) / 1000);
            break;
        }
    }
    return QStringLiteral("遅れ %1秒").arg(seconds);
}

QString LastLoadText(const QTime &time)
{
    return QStringLiteral("最終取得 ") + (time.isValid() ? time.toString(QStringLiteral("HH:mm:ss"))
                                                         : QStringLiteral("--:--:--"));
}

} // namespace OnAir
