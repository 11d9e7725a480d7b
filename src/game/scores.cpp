#include "game/scores.h"

ScoreTable::ScoreTable()
{
    reset();
}

void ScoreTable::reset()
{
    m_records = {ListenerScore()};
    m_total = 0;
}

void ScoreTable::credit(const QString &id, qint64 t)
{
    m_total += t;
    if (id.isEmpty()) {
        m_records.append({QString(), t});
        return;
    }
    for (qsizetype i = 0; i < m_records.size(); ++i) {
        ListenerScore &record = m_records[i];
        if (i == 0 && record.id.isEmpty()) {
            record = {id, t};
            return;
        }
        if (record.id == id) {
            record.points += t;
            return;
        }
    }
    m_records.append({id, t});
}

QStringList ScoreTable::lines() const
{
    QStringList lines;
    lines.reserve(m_records.size());
    for (const ListenerScore &record : m_records)
        lines.append(record.id + QStringLiteral(" [Score:") +
                     QStringLiteral("%1").arg(record.points, 5) + QLatin1Char(']'));
    return lines;
}
