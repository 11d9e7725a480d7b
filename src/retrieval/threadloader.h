#pragma once

#include "retrieval/datfetch.h"

#include <QObject>
#include <QString>

struct ThreadState;

// The load command (mnuReload_Click): checks the address text, decides between a new thread
// and a follow-up load, and starts the fetch from the right point.
class ThreadLoader : public QObject
{
    Q_OBJECT
public:
    explicit ThreadLoader(ThreadState &state, QObject *parent = nullptr);

    // One load command for the address bar text. Refused while a load runs, unless ctrlDown:
    // that ends the running load and loads the thread from scratch.
    // When a follow-up load of a 2channel-style thread finds that the file no longer continues
    // the local copy (a deleted post: 416, the LF check, any failed differential load), the
    // whole thread is fetched once more on its own, and the posts that came meanwhile are
    // handed on as new posts (ThreadState::RefetchAbove, signal refetched).
    // newFrom: the thread is the next one of the thread followed so far; its posts from this
    // number on go on air with its first load (ThreadState::NewFrom).
    void load(const QString &addressText, bool ctrlDown, qint32 newFrom = 0);

    // The line sink made `count` posts of the lines it was handed, costing `bytes` toward the
    // thread's bound; `full`: a line came past the bound and was left. The thread's post count
    // (ResTotal) is what the next rental-board request goes on from.
    void addPosts(int count, qint64 bytes = 0, bool full = false);

    const ThreadState &state() const { return m_state; }
    DatFetch &fetch() { return m_fetch; }

signals:
    // Every end of a load started by load().
    void loadEnded(DatFetch::LoadEnd how);
    // A text for the "STATUS" panel of the status bar, from the checks and from the fetch.
    void statusChanged(const QString &text);
    // A rental-board address cut back to its last "/", for the address bar.
    void addressTextChanged(const QString &text);
    // A new thread starts: clear the view, open it with charset "Shift_JIS", write the header.
    void viewRestartRequested();
    // Forwarded from DatFetch::linesReceived (see there); the receiver reports the posts it
    // made through addPosts() before it returns.
    void linesReceived(const QStringList &lines, const QString &separator);
    // A whole reload after a failed differential load has brought the whole thread: the
    // posts it made that are new can go on air now.
    void refetched();

private:
    // Sets the kind of board; false, with a status saying why, when the address cannot be
    // loaded. A rental-board address may be cut back to its last "/".
    bool checkAddress(QString &address);
    // newFrom: as load() has it, for a thread other than the current one.
    void startLoad(const QString &address, qint32 newFrom);
    void startAfresh(const QString &address);
    void fetchEnded(DatFetch::LoadEnd how);
    void refetch();
    void explainFailure(DatFetch::LoadEnd how);

    ThreadState &m_state;
    DatFetch m_fetch;
    bool m_rangeLoad = false;   // the running load asks for the bytes after the local copy
    bool m_refetchLoad = false; // the running load is the whole reload after a deleted post
    QString m_refetchUrl;       // the thread of a pending whole reload
};
