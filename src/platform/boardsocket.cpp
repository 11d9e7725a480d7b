#include "platform/boardsocket.h"

#include <QHash>
#include <QLoggingCategory>
#include <QNetworkProxy>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslSocket>
#include <QTcpSocket>

Q_LOGGING_CATEGORY(lcBoardSocket, "sazanami.network", QtInfoMsg)

namespace {

struct Target
{
    QString address;
    quint16 port = 0;
};

// Shared by every exchange of the program.
QList<QSslCertificate> &extraCertificates()
{
    static QList<QSslCertificate> certificates;
    return certificates;
}

QHash<QString, Target> &hostOverrides()
{
    static QHash<QString, Target> overrides;
    return overrides;
}

QString sizeText(qint64 bytes)
{
    if (bytes >= (qint64(1) << 20) && bytes % (qint64(1) << 20) == 0)
        return QString::number(bytes >> 20) + QStringLiteral("MiB");
    return QString::number(bytes) + QStringLiteral("byte");
}

} // namespace

BoardSocket::BoardSocket(QObject *parent) : QObject(parent)
{
    for (QTimer *timer : {&m_stage, &m_deadline}) {
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
    }
    connect(&m_stage, &QTimer::timeout, this, &BoardSocket::onStageLimit);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        if (m_active)
            finish(End::DeadlineReached);
    });
}

BoardSocket::~BoardSocket()
{
    if (m_socket)
        m_socket->disconnect(this);
}

void BoardSocket::addCaCertificates(const QList<QSslCertificate> &certificates)
{
    extraCertificates() += certificates;
}

void BoardSocket::setHostOverride(const QString &host, const QString &address, quint16 port)
{
    hostOverrides().insert(host, Target{address, port});
}

void BoardSocket::resetTestHooks()
{
    extraCertificates().clear();
    hostOverrides().clear();
}

QString BoardSocket::remoteText() const
{
    return m_host + QLatin1Char(':') + QString::number(m_port);
}

void BoardSocket::start(const QString &host, quint16 port, bool secure, const QByteArray &request,
                        const Limits &limits)
{
    abort();
    const quint64 generation = ++m_generation;
    m_host = host;
    m_port = port;
    m_secure = secure;
    m_request = request;
    m_limits = limits;
    m_received = 0;
    m_error = QAbstractSocket::UnknownSocketError;
    m_phase = Phase::Connecting;
    m_active = true;
    m_deadline.start(limits.deadlineMs);

    if (secure && !QSslSocket::supportsSsl()) {
        // Reported from the event loop, as every other end.
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                if (m_active && m_generation == generation)
                    finish(End::TlsUnavailable);
            },
            Qt::QueuedConnection);
        return;
    }

    QTcpSocket *socket = nullptr;
    if (secure) {
        auto *ssl = new QSslSocket(this);
        // Setting a CA list, even an empty one, stops Qt from loading the system's roots on
        // demand: extra authorities are only ever added on top of the system's list.
        if (!extraCertificates().isEmpty()) {
            QSslConfiguration config = QSslConfiguration::defaultConfiguration();
            config.setCaCertificates(QSslConfiguration::systemCaCertificates() +
                                     extraCertificates());
            ssl->setSslConfiguration(config);
        }
        ssl->setPeerVerifyMode(QSslSocket::VerifyPeer);
        connect(ssl, &QSslSocket::encrypted, this, &BoardSocket::onEncrypted);
        connect(ssl, &QSslSocket::sslErrors, this, &BoardSocket::onSslErrors);
        socket = ssl;
    } else {
        socket = new QTcpSocket(this);
    }
    m_socket = socket;
    // Straight to the board: no proxy.
    socket->setProxy(QNetworkProxy::NoProxy);
    connect(socket, &QTcpSocket::hostFound, this, &BoardSocket::onHostFound);
    connect(socket, &QTcpSocket::connected, this, &BoardSocket::onConnected);
    connect(socket, &QTcpSocket::readyRead, this, &BoardSocket::onReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, &BoardSocket::onDisconnected);
    connect(socket, &QTcpSocket::errorOccurred, this, &BoardSocket::onError);

    Target target{host, port};
    const auto override = hostOverrides().constFind(host);
    if (override != hostOverrides().constEnd())
        target = *override;
    qCDebug(lcBoardSocket) << "connect" << remoteText() << "via" << target.address << target.port
                           << (secure ? "tls" : "tcp");
    m_stage.start(limits.connectMs);
    if (secure)
        static_cast<QSslSocket *>(socket)->connectToHostEncrypted(target.address, target.port,
                                                                  host);
    else
        socket->connectToHost(target.address, target.port);
}

void BoardSocket::abort()
{
    if (!m_active)
        return;
    m_active = false;
    ++m_generation;
    m_stage.stop();
    m_deadline.stop();
    dropSocket();
}

void BoardSocket::onHostFound()
{
    // The name is known: the connection itself gets the whole connect limit.
    if (m_active && m_phase == Phase::Connecting)
        m_stage.start(m_limits.connectMs);
}

void BoardSocket::onConnected()
{
    if (!m_active)
        return;
    if (!m_secure) {
        sendRequest();
        return;
    }
    // The handshake with a distant board may take longer than the connection: its own limit.
    m_phase = Phase::Handshake;
    m_stage.start(m_limits.handshakeMs);
}

void BoardSocket::onEncrypted()
{
    if (m_active)
        sendRequest();
}

void BoardSocket::sendRequest()
{
    m_phase = Phase::Receiving;
    m_stage.start(m_limits.idleMs);
    m_socket->write(m_request);
    emit requestSent();
}

void BoardSocket::onReadyRead()
{
    if (!m_active || !m_socket || m_phase != Phase::Receiving)
        return;
    QByteArray chunk = m_socket->readAll();
    if (chunk.isEmpty())
        return;
    m_received += chunk.size();
    const bool tooLarge = m_received > m_limits.maxBytes;
    if (tooLarge) {
        chunk.chop(m_received - m_limits.maxBytes);
        m_received = m_limits.maxBytes;
    } else {
        // Silence is measured from the last arrival.
        m_stage.start(m_limits.idleMs);
    }
    const quint64 generation = m_generation;
    if (!chunk.isEmpty())
        emit received(chunk);
    if (tooLarge && m_active && m_generation == generation)
        finish(End::TooLarge);
}

void BoardSocket::onDisconnected()
{
    if (!m_active || !m_socket)
        return;
    if (m_phase == Phase::Receiving) {
        const quint64 generation = m_generation;
        if (m_socket->bytesAvailable() > 0)
            onReadyRead();
        if (m_active && m_generation == generation)
            finish(End::Closed);
        return;
    }
    finish(m_phase == Phase::Handshake ? End::HandshakeFailed : End::ConnectFailed,
           m_socket->errorString());
}

void BoardSocket::onError()
{
    if (!m_active || !m_socket)
        return;
    const QAbstractSocket::SocketError error = m_socket->error();
    const QString detail = m_socket->errorString();
    m_error = error;
    qCDebug(lcBoardSocket) << "socket error" << error << detail;
    if (error == QAbstractSocket::RemoteHostClosedError) {
        onDisconnected();
        return;
    }
    switch (m_phase) {
    case Phase::Connecting:
        finish(End::ConnectFailed, detail);
        return;
    case Phase::Handshake:
        finish(End::HandshakeFailed, detail);
        return;
    case Phase::Receiving:
        finish(End::SocketError, detail);
        return;
    }
}

void BoardSocket::onSslErrors(const QList<QSslError> &errors)
{
    if (!m_active)
        return;
    // Nothing is accepted silently: the exchange ends here, naming the first problem.
    finish(End::CertificateRefused, errors.isEmpty() ? QString() : errors.first().errorString());
}

void BoardSocket::onStageLimit()
{
    if (!m_active)
        return;
    switch (m_phase) {
    case Phase::Connecting:
        finish(End::ConnectTimedOut);
        return;
    case Phase::Handshake:
        finish(End::HandshakeTimedOut);
        return;
    case Phase::Receiving:
        finish(End::IdleTimedOut);
        return;
    }
}

void BoardSocket::finish(End how, const QString &detail)
{
    m_active = false;
    ++m_generation;
    m_stage.stop();
    m_deadline.stop();
    dropSocket();
    qCDebug(lcBoardSocket) << "ended" << remoteText() << how << detail;
    emit ended(how, detail);
}

void BoardSocket::dropSocket()
{
    if (!m_socket)
        return;
    QTcpSocket *socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(this);
    // Deleting closes it; later, as this may run inside one of the socket's own signals.
    socket->deleteLater();
}

QString BoardSocket::endText(End how, const QString &detail) const
{
    switch (how) {
    case End::Closed:
        return QString();
    case End::ConnectFailed:
        // The two causes a user can act on are named.
        if (m_error == QAbstractSocket::ConnectionRefusedError)
            return remoteText() +
                   QStringLiteral("に接続できませんでした（接続を拒否されました。"
                                  "サーバーが止まっているか、ポート番号が違います）");
        if (m_error == QAbstractSocket::HostNotFoundError)
            return remoteText() +
                   QStringLiteral("に接続できませんでした（サーバーが見つかりません。"
                                  "URLのホスト名を確認してください）");
        return remoteText() + QStringLiteral("に接続できませんでした");
    case End::ConnectTimedOut:
        return remoteText() + QStringLiteral("に接続できませんでした");
    case End::TlsUnavailable:
        return QStringLiteral("この環境ではhttpsのURLを読めません（TLSが使えません）");
    case End::CertificateRefused:
        return remoteText() +
               QStringLiteral("のサーバー証明書を信頼できないため接続を中止しました（") + detail +
               QStringLiteral("）");
    case End::HandshakeFailed:
        return remoteText() + QStringLiteral("との暗号化通信を確立できませんでした（") + detail +
               QStringLiteral("）");
    case End::HandshakeTimedOut:
        return remoteText() + QStringLiteral("との暗号化通信の確立が") +
               QString::number(m_limits.handshakeMs / 1000) +
               QStringLiteral("秒以内に終わりませんでした");
    case End::IdleTimedOut:
        return QStringLiteral("受信タイムアウト");
    case End::DeadlineReached:
        return QStringLiteral("受信に時間がかかりすぎるため受信を打ち切りました（上限") +
               QString::number(m_limits.deadlineMs / 1000) + QStringLiteral("秒）");
    case End::TooLarge:
        return QStringLiteral("受信データが大きすぎるため受信を打ち切りました（上限") +
               sizeText(m_limits.maxBytes) + QStringLiteral("）");
    case End::SocketError:
        return QStringLiteral("通信エラーのため受信が中断されました（") + detail +
               QStringLiteral("）");
    }
    return QString();
}
