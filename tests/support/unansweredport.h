#pragma once

#include <QTcpSocket>
#include <QtGlobal>

// A port on 127.0.0.1 where a connection is never made: a listening socket whose queue is full
// and never accepted, so the kernel drops further connection attempts.
class UnansweredPort
{
public:
    UnansweredPort();
    ~UnansweredPort();
    // 0 when the port could not be set up.
    quint16 port() const { return m_port; }

private:
    int m_fd = -1;
    quint16 m_port = 0;
    QTcpSocket m_fillers[2];
};
