#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// One poster's points; a wide integer, so many correct answers cannot overflow it.
struct ListenerScore
{
    QString id;
    qint64 points = 0;
};

// The score table and the running total of the guessing game.
class ScoreTable
{
public:
    ScoreTable();
    // One record with an empty id and no points; the total back to 0.
    void reset();
    // Adds t to the total and credits t points to id: an empty id always gets a record of its
    // own; otherwise record 0 while it has no id, the record of the same id, or a new one.
    void credit(const QString &id, qint64 t);

    qint64 total() const { return m_total; }
    const QVector<ListenerScore> &records() const { return m_records; }
    // The lines of the score list: id, " [Score:", points right-aligned in 5, "]".
    QStringList lines() const;

private:
    QVector<ListenerScore> m_records;
    qint64 m_total = 0;
};
