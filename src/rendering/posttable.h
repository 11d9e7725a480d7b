#pragma once

#include <QString>
#include <QVector>

// One stored post, as the pop-ups read it back.
struct ResRecord
{
    QString Name;    // as received
    QString Mail;    // as received
    QString DateID;  // with the ID link put in
    QString Message; // as received, before the address links
};

// The post table `ResData`, indexed by post number. It is not cleared between threads: entries
// 1 to ResTotal always belong to the current thread. It grows as needed (the fetch stops a
// thread at 10001 posts).
class PostTable
{
public:
    PostTable();

    // Number 0 and below are never stored.
    void set(qint64 number, const ResRecord &record);
    // The stored post, or an empty record for a number never written.
    ResRecord value(qint64 number) const;

private:
    QVector<ResRecord> m_records;
};
