#include "retrieval/reloadcountdown.h"

ReloadCountdown::ReloadCountdown(QObject *parent) : QObject(parent) {}

void ReloadCountdown::choose(int index)
{
    if (index != kOffIndex && (index < kFirstPeriodIndex || index > kLastPeriodIndex))
        return;
    m_interval = index == kOffIndex ? -1 : index + 5;
    m_checked = index;
    // A new period counts down from its full length at once.
    setText(QString::number(m_interval));
}

void ReloadCountdown::tick()
{
    if (m_text == QLatin1String("-1"))
        return;
    const int left = m_text.toInt() - 1;
    setText(QString::number(left));
    if (left != 0)
        return;
    emit reloadDue();
    // The period runs from one load command to the next, however long the load takes.
    setText(QString::number(m_interval));
}

QString ReloadCountdown::caption(int index)
{
    return QString::number(index + 5) + QStringLiteral(" sec");
}

void ReloadCountdown::setText(const QString &text)
{
    m_text = text;
    emit timerTextChanged(text);
}
