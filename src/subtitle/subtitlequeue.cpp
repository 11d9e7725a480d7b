#include "subtitle/subtitlequeue.h"

SubtitleQueue::SubtitleQueue(QObject *parent) : QObject(parent) {}

void SubtitleQueue::append(const QString &entry)
{
    m_entries.append(entry);
    emit entriesChanged();
}

QString SubtitleQueue::takeFirst()
{
    if (m_entries.isEmpty())
        return QString();
    const QString entry = m_entries.takeFirst();
    emit entriesChanged();
    return entry;
}

void SubtitleQueue::clear()
{
    m_entries.clear();
    emit entriesChanged();
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
        setCountdown(5);
}

void SubtitleQueue::restartIfWaiting()
{
    if (!m_entries.isEmpty())
        setCountdown(1);
}

void SubtitleQueue::queuePost(const QString &entry, bool gameOpen)
{
    append(entry);
    startForNewPost(gameOpen);
}

void SubtitleQueue::queueNotice(const QString &entry)
{
    append(entry);
    if (m_countdown == -1)
        setCountdown(1);
}
