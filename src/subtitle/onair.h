#pragma once

#include "subtitle/makuentry.h"

#include <QList>
#include <QString>
#include <QTime>

// What the main window's on-air strip says, in the words a streamer reads.
namespace OnAir {

enum class State
{
    Shown,  // the subtitle window is open and subtitles go on
    Paused, // open, but held back (the post window's pause)
    Hidden, // the subtitle window is closed
};

// "表示中", "一時停止中" or "非表示".
QString StateText(State state);
// "待ち N件": entries waiting.
QString WaitingText(int waiting);
// "遅れ N秒": whole seconds since the oldest waiting post was received, at `now` of
// ReceiptClock(); "遅れ 0秒" when no post waits.
QString DelayText(const QList<MakuEntry> &entries, qint64 now);
// "最終取得 HH:MM:SS", or "最終取得 --:--:--" before the first successful load.
QString LastLoadText(const QTime &time);

} // namespace OnAir
