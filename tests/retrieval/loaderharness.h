#pragma once

#include "retrieval/threadloader.h"
#include "retrieval/threadstate.h"

#include <QStringList>
#include <memory>

// Post n of a test thread, with half-width kana, characters only CP932 has and an entity.
QString datPost(int n);
QStringList datPosts(int from, int to);
// The lines as a data file: Shift_JIS, each line ended by LF.
QByteArray datOf(const QStringList &lines);

// A thread loader whose signals record what the window would be shown, and a line sink that
// stands in for post processing (each line a post).
class LoaderHarness
{
public:
    LoaderHarness();

    // Runs one load command and waits for its end; returns false when it did not end in time.
    bool load(const QString &address, bool ctrlDown = false, int limitMs = 8000);
    DatFetch::LoadEnd lastEnd() const { return m_lastEnd; }
    QString status() const { return statuses.isEmpty() ? QString() : statuses.last(); }
    void clearRecords();

    ThreadState state;
    QStringList statuses;
    QStringList lines; // every line handed on since the last clearRecords()
    QStringList addressWrites;
    int restarts = 0;
    std::unique_ptr<ThreadLoader> loader;

private:
    DatFetch::LoadEnd m_lastEnd = DatFetch::LoadEnd::Finished;
};
