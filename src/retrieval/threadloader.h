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
    void load(const QString &addressText, bool ctrlDown);

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
    // Forwarded from DatFetch::linesReceived (see there).
    void linesReceived(const QStringList &lines, const QString &separator);

private:
    ThreadState &m_state;
    DatFetch m_fetch;
};
