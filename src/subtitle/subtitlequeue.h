#pragma once

#include "subtitle/makuentry.h"

#include <QList>
#include <QObject>
#include <functional>

// The subtitle queue: entries waiting to be shown, first in first out, and the countdown (in
// ticks of 100 ms) to the next one; -1 when nothing is scheduled. Both are shown to the user.
class SubtitleQueue : public QObject
{
    Q_OBJECT
public:
    // A flood of posts must not grow the queue without end: beyond this the oldest go.
    static constexpr int kMaxEntries = 1000;
    // Ticks between entries while the game window is open, whatever the speed setting.
    static constexpr int kGameWait = 5;

    explicit SubtitleQueue(QObject *parent = nullptr);

    const QList<MakuEntry> &entries() const { return m_entries; }
    int count() const { return int(m_entries.size()); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    // Appends at the end, stamped with its receipt time unless it has one; when the queue is
    // full the oldest entry is dropped.
    void append(const MakuEntry &entry);
    MakuEntry takeFirst();
    // Removes every waiting entry `drop` picks; returns how many went.
    int removeIf(const std::function<bool(const MakuEntry &entry)> &drop);
    void clear();
    // 最新へ: drops every waiting post but the newest; the program's notices stay. Answers
    // how many went.
    int skipToNewest();

    int countdown() const { return m_countdown; }
    void setCountdown(int value);

    // A new post's entry: appended, then the countdown started as startForNewPost() does.
    void queuePost(const MakuEntry &entry, bool gameOpen);
    // The notice at post 1000: appended; an idle countdown starts at 1, a running wait is kept.
    void queueNotice(const MakuEntry &entry);

    // After new-post processing queued an entry: an idle countdown starts at 1 (shown on the
    // next tick); with the game window open a long wait is cut to kGameWait.
    void startForNewPost(bool gameOpen);
    // Opening the subtitle window or ending the pause: show the head entry on the next tick.
    void restartIfWaiting();

signals:
    void entriesChanged();
    void countdownChanged(int value);
    // Entries dropped because the queue was full, counted since it was last empty.
    void entriesDropped(int count);

private:
    QList<MakuEntry> m_entries;
    int m_countdown = -1;
    int m_dropped = 0;
};
