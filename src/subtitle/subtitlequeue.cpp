#include "subtitle/subtitlequeue.h"

SubtitleQueue::SubtitleQueue(QObject *parent) : QObject(parent) {}

void SubtitleQueue::append(const MakuEntry &entry)
{
    if (m_entries.isEmpty())
        m_dropped = 0;
    m_entries.append(entry);
    if (m_entries.constLast().received == 0)
        m_entries.last().received = ReceiptClock();
    const qsizetype excess = m_entries.size() - kMaxEntries;
    if (excess > 0) {
        m_entries.remove(0, excess);
        m_dropped += int(excess);
    }
    emit entriesChanged();
    if (excess > 0)
        emit entriesDropped(m_dropped);
}

MakuEntry SubtitleQueue::takeFirst()
{
    if (m_entries.isEmpty())
        return MakuEntry();
    const MakuEntry entry = m_entries.takeFirst();
    emit entriesChanged();
    return entry;
}

int SubtitleQueue::removeIf(const std::function<bool(const MakuEntry &entry)> &drop)
{
    const qsizetype removed = m_entries.removeIf(drop);
    if (removed > 0)
        emit entriesChanged();
    return int(removed);
}

void SubtitleQueue::clear()
{
    m_entries.clear();
    emit entriesChanged();
}

int SubtitleQueue::skipToNewest()
{
    qsizetype newest = -1;
    for (qsizetype i = m_entries.size() - 1; i >= 0 && newest < 0; --i)
        if (m_entries.at(i).kind == MakuEntry::Kind::Post)
            newest = i;
    QList<MakuEntry> kept;
    for (qsizetype i = 0; i < m_entries.size(); ++i)
        if (i == newest || m_entries.at(i).kind != MakuEntry::Kind::Post)
            kept.append(m_entries.at(i));
    const int dropped = int(m_entries.size() - kept.size());
    if (dropped == 0)
        return 0;
    m_entries = kept;
    emit entriesChanged();
    return dropped;
}

void SubtitleQueue::setCountdown(int value)
{
    if (m_countdown == value)
        return;
    m_countdown = value;
    emit countdownChanged(value);
}

void SubtitleQueue::startForNewPost(bool gameOpen)
{
    if (m_countdown == -1)
        setCountdown(1);
    if (m_countdown > 6 && gameOpen)
        setCountdown(kGameWait);
}

void SubtitleQueue::restartIfWaiting()
{
    if (!m_entries.isEmpty())
        setCountdown(1);
}

void SubtitleQueue::queuePost(const MakuEntry &entry, bool gameOpen)
{
    append(entry);
    startForNewPost(gameOpen);
}

void SubtitleQueue::queueNotice(const MakuEntry &entry)
{
    append(entry);
    if (m_countdown == -1)
        setCountdown(1);
}
