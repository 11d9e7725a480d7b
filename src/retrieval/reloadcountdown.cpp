#include "retrieval/reloadcountdown.h"

ReloadCountdown::ReloadCountdown(QObject *parent) : QObject(parent) {}

bool ReloadCountdown::setPeriod(int seconds)
{
    if (seconds != 0 && (seconds < kMinPeriod || seconds > kMaxPeriod))
        return false;
    m_interval = seconds == 0 ? -1 : seconds;
    // A new period counts down from its full length at once.
    setText(QString::number(m_interval));
    return true;
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

QString ReloadCountdown::caption(int seconds)
{
    return QString::number(seconds) + QStringLiteral(" sec");
}

void ReloadCountdown::setText(const QString &text)
{
    m_text = text;
    emit timerTextChanged(text);
}
