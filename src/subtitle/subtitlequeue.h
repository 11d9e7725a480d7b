#pragma once

#include <QObject>
#include <QStringList>

// The subtitle queue: entries waiting to be shown, first in first out, and the countdown (in
// ticks of 100 ms) to the next one; -1 when nothing is scheduled. Both are shown to the user.
// An entry is five fields joined by "<>": command, message HTML, ID text, name, post number.
class SubtitleQueue : public QObject
{
    Q_OBJECT
public:
    // A flood of posts must not grow the queue without end: beyond this the oldest go.
    static constexpr int kMaxEntries = 1000;

    explicit SubtitleQueue(QObject *parent = nullptr);

    const QStringList &entries() const { return m_entries; }
    int count() const { return int(m_entries.size()); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    // Appends at the end; when the queue is full the oldest entry is dropped.
    void append(const QString &entry);
    QString takeFirst();
    void clear();

    int countdown() const { return m_countdown; }
    void setCountdown(int value);

    // A new post's entry: appended, then the countdown started as startForNewPost() does.
    void queuePost(const QString &entry, bool gameOpen);
    // The notice at post 1000: appended; an idle countdown starts at 1, a running wait is kept.
    void queueNotice(const QString &entry);

    // After new-post processing queued an entry: an idle countdown starts at 1 (shown on the
    // next tick); with the game window open a long wait is cut to 5.
    void startForNewPost(bool gameOpen);
    // Opening the subtitle window or ending the pause: show the head entry on the next tick.
    void restartIfWaiting();

signals:
    void entriesChanged();
    void countdownChanged(int value);
    // Entries dropped because the queue was full, counted since it was last empty.
    void entriesDropped(int count);

private:
    QStringList m_entries;
    int m_countdown = -1;
    int m_dropped = 0;
};
