#include "support/unansweredport.h"

#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

UnansweredPort::UnansweredPort()
{
    m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(m_fd, 0) != 0 ||
        ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return;
    const quint16 port = ntohs(address.sin_port);
    for (QTcpSocket &filler : m_fillers)
        filler.connectToHost(QHostAddress::LocalHost, port);
    if (QTest::qWaitFor([this] { return m_fillers[0].state() == QAbstractSocket::ConnectedState; },
                        3000))
        m_port = port;
}

UnansweredPort::~UnansweredPort()
{
    if (m_fd >= 0)
        ::close(m_fd);
}
