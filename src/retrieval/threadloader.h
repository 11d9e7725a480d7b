#pragma once

#include "retrieval/datfetch.h"
#include "retrieval/receivetimeout.h"
#include "retrieval/retrievalhooks.h"

#include <QObject>
#include <QString>

struct ThreadState;

// The load command (mnuReload_Click): checks the address text, decides between a new thread
// and a follow-up load, and starts the fetch from the right point.
class ThreadLoader : public QObject
{
    Q_OBJECT
public:
    ThreadLoader(ThreadState &state, RetrievalHooks hooks, QObject *parent = nullptr);

    // One load command for the address bar text; ctrlDown makes it a load from scratch (even
    // while another load is running, which it then leaves alone).
    void load(const QString &addressText, bool ctrlDown);

    const ThreadState &state() const { return m_state; }
    DatFetch &fetch() { return m_fetch; }
    ReceiveTimeout &receiveTimeout() { return m_timeOut; }
    RetrievalHooks &hooks() { return m_hooks; }

signals:
    // Every end of a load started by load().
    void loadEnded(DatFetch::LoadEnd how);

private:
    void showStatus(const QString &text);

    ThreadState &m_state;
    RetrievalHooks m_hooks;
    DatFetch m_fetch;
    ReceiveTimeout m_timeOut;
};
