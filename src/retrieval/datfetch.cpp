#include "retrieval/datfetch.h"

#include "platform/codec.h"
#include "platform/ticks.h"
#include "retrieval/threadaddress.h"
#include "retrieval/threadstate.h"

#include <QLoggingCategory>
#include <QNetworkProxy>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslSocket>
#include <QTcpSocket>

Q_LOGGING_CATEGORY(lcRetrieval, "sazanami.retrieval", QtInfoMsg)

namespace {

const QString kUserAgent = QStringLiteral("Monazilla/1.00 sazanami/1.21");

DatFetch::LoadEnd loadEndOf(DatResponse::Action action)
{
    switch (action) {
    case DatResponse::Action::Finished:
        return DatFetch::LoadEnd::Finished;
    case DatResponse::Action::Rejected:
        return DatFetch::LoadEnd::Rejected;
    case DatResponse::Action::DifferentialFailed:
        return DatFetch::LoadEnd::DifferentialFailed;
    case DatResponse::Action::TooLarge:
        return DatFetch::LoadEnd::TooLarge;
    default:
        return DatFetch::LoadEnd::Interrupted;
    }
}

} // namespace

DatFetch::DatFetch(ThreadState &state, QObject *parent) : QObject(parent), m_state(state)
{
    m_connectLimit.setSingleShot(true);
    m_connectLimit.setInterval(kConnectLimitMs);
    m_connectLimit.setTimerType(Qt::PreciseTimer);
    connect(&m_connectLimit, &QTimer::timeout, this, &DatFetch::connectLimitReached);
}

DatFetch::~DatFetch()
{
    if (wscGet) {
        wscGet->disconnect(this);
        delete wscGet.data();
    }
}

void DatFetch::addCaCertificates(const QList<QSslCertificate> &certificates)
{
    m_caCertificates += certificates;
}

void DatFetch::setHostOverride(const QString &host, const QString &address, quint16 port)
{
    m_overrides.insert(host, Target{address, port});
}

void DatFetch::GetThread(const QString &address, qint32 Range, qint32 ResCount)
{
    const bool shitaraba = m_state.BoardKind == Boards::Kind::Shitaraba;
    m_dataUrl = shitaraba ? GetRawModeUrl(address, ResCount) : GetDatUrl(address);
    const bool rangeRequest = !shitaraba && Range != 0;
    m_response.reset(shitaraba, rangeRequest, m_state.DatSeparator);
    closeSocket();

    const HostPort remote = GetHostPort(m_dataUrl);
    m_remoteHost = remote.name;
    m_remotePort = remote.port;
    QString request = QStringLiteral("GET ") + GetPath(m_dataUrl) + QStringLiteral(" HTTP/1.0\r\n");
    request += QStringLiteral("Host: ") + GetHost(m_dataUrl) + QStringLiteral("\r\n");
    if (rangeRequest)
        request +=
            QStringLiteral("Range: bytes=") + QString::number(Range) + QStringLiteral("-\r\n");
    request += QStringLiteral("User-Agent: ") + kUserAgent + QStringLiteral("\r\n");
    request += QStringLiteral("Connection: Close\r\n\r\n");
    m_request = Codec::toSjis(request);
    qCDebug(lcRetrieval) << "GET" << m_dataUrl << "range" << Range;

    m_active = true;
    m_connected = false;
    m_waitFirstData = false;
    emit statusChanged(remoteText() + QStringLiteral("に接続中..."));

    const bool secure = IsHttps(m_dataUrl);
    if (secure && !QSslSocket::supportsSsl()) {
        emit statusChanged(QStringLiteral("この環境ではhttpsのURLを読めません（TLSが使えません）"));
        endLoad(LoadEnd::ConnectFailed);
        return;
    }
    QTcpSocket *socket = nullptr;
    if (secure) {
        auto *ssl = new QSslSocket(this);
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.addCaCertificates(m_caCertificates);
        config.setPeerVerifyMode(QSslSocket::VerifyPeer);
        ssl->setSslConfiguration(config);
        connect(ssl, &QSslSocket::encrypted, this, &DatFetch::wscGet_Connect);
        connect(ssl, &QSslSocket::sslErrors, this, &DatFetch::wscGet_SslErrors);
        socket = ssl;
    } else {
        socket = new QTcpSocket(this);
        connect(socket, &QTcpSocket::connected, this, &DatFetch::wscGet_Connect);
    }
    wscGet = socket;
    // Straight to the board: no proxy.
    socket->setProxy(QNetworkProxy::NoProxy);
    connect(socket, &QTcpSocket::readyRead, this, &DatFetch::wscGet_DataArrival);
    connect(socket, &QTcpSocket::disconnected, this, &DatFetch::wscGet_Close);
    connect(socket, &QTcpSocket::errorOccurred, this, &DatFetch::wscGet_Error);

    Target target{m_remoteHost, m_remotePort};
    const auto override = m_overrides.constFind(m_remoteHost);
    if (override != m_overrides.constEnd())
        target = *override;
    m_connectLimit.start();
    if (secure)
        static_cast<QSslSocket *>(socket)->connectToHostEncrypted(target.address, target.port,
                                                                  m_remoteHost);
    else
        socket->connectToHost(target.address, target.port);
}

void DatFetch::wscGet_Connect()
{
    if (!m_active || !wscGet)
        return;
    m_connectLimit.stop();
    m_connected = true;
    emit statusChanged(QStringLiteral("受信待機中..."));
    m_requestTick = GetTickCount();
    m_waitFirstData = true;
    wscGet->write(m_request);
}

void DatFetch::wscGet_DataArrival()
{
    if (!m_active || !wscGet)
        return;
    const QByteArray chunk = wscGet->readAll();
    if (chunk.isEmpty())
        return;
    m_waitFirstData = false;
    const DatResponse::Step step = m_response.feed(chunk);
    switch (step.action) {
    case DatResponse::Action::Wait:
        return;
    case DatResponse::Action::Lines: {
        const QPointer<QTcpSocket> socket = wscGet;
        handOn(step);
        // The line sink may have ended or restarted the load.
        if (m_active && wscGet == socket)
            emit statusChanged(step.status);
        return;
    }
    case DatResponse::Action::TooLarge: {
        const DatResponse::Step kept = m_response.abandon(m_state, step.status);
        endLoad(LoadEnd::TooLarge, kept);
        return;
    }
    default:
        endLoad(loadEndOf(step.action), step);
        return;
    }
}

void DatFetch::wscGet_Close()
{
    if (!m_active || !wscGet)
        return;
    if (wscGet->bytesAvailable() > 0) {
        wscGet_DataArrival();
        if (!m_active || !wscGet)
            return;
    }
    if (!m_connected) {
        // Closed before the connection was usable (for example during the TLS handshake).
        connectFailed();
        return;
    }
    const DatResponse::Step step = m_response.close(m_state);
    endLoad(loadEndOf(step.action), step);
}

void DatFetch::wscGet_Error()
{
    if (!m_active || !wscGet)
        return;
    const QAbstractSocket::SocketError error = wscGet->error();
    if (error == QAbstractSocket::RemoteHostClosedError) {
        wscGet_Close();
        return;
    }
    const QString detail = wscGet->errorString();
    qCDebug(lcRetrieval) << "socket error" << error << detail;
    if (error == QAbstractSocket::SslHandshakeFailedError) {
        emit statusChanged(remoteText() + QStringLiteral("との暗号化通信を確立できませんでした（") +
                           detail + QStringLiteral("）"));
        endLoad(LoadEnd::TlsRefused);
        return;
    }
    if (!m_connected) {
        connectFailed();
        return;
    }
    const DatResponse::Step kept =
        m_response.abandon(m_state, QStringLiteral("通信エラーのため受信が中断されました（") +
                                        detail + QStringLiteral("）"));
    endLoad(LoadEnd::SocketError, kept);
}

void DatFetch::wscGet_SslErrors(const QList<QSslError> &errors)
{
    if (!m_active)
        return;
    // Nothing is accepted silently: the load ends here, naming the first problem.
    QString detail;
    if (!errors.isEmpty())
        detail = errors.first().errorString();
    emit statusChanged(remoteText() +
                       QStringLiteral("のサーバー証明書を信頼できないため接続を中止しました（") +
                       detail + QStringLiteral("）"));
    endLoad(LoadEnd::TlsRefused);
}

void DatFetch::connectLimitReached()
{
    if (!m_active || m_connected)
        return;
    connectFailed();
}

void DatFetch::connectFailed()
{
    emit statusChanged(remoteText() + QStringLiteral("に接続できませんでした"));
    endLoad(LoadEnd::ConnectFailed);
}

void DatFetch::TimeOut()
{
    if (!m_active || !m_waitFirstData)
        return;
    emit statusChanged(QStringLiteral("受信タイムアウト"));
    endLoad(LoadEnd::TimedOut);
}

void DatFetch::handOn(const DatResponse::Step &step)
{
    if (step.lines.isEmpty())
        return;
    m_state.DatSeparator = step.separator;
    emit linesReceived(step.lines, step.separator);
}

void DatFetch::endLoad(LoadEnd how, const DatResponse::Step &last)
{
    m_active = false;
    m_connected = false;
    // Also after a close or an error, so that a later time-out tick cannot end another load.
    m_waitFirstData = false;
    m_connectLimit.stop();
    handOn(last);
    if (!last.status.isEmpty())
        emit statusChanged(last.status);
    closeSocket();
    m_state.Ready = true;
    qCDebug(lcRetrieval) << "load ended" << how;
    emit loadEnded(how);
}

void DatFetch::closeSocket()
{
    if (!wscGet)
        return;
    wscGet->disconnect(this);
    // Deleting closes it. Not here: this may run inside one of the socket's own signals.
    const QPointer<QTcpSocket> socket = wscGet;
    wscGet = nullptr;
    QMetaObject::invokeMethod(
        this, [socket] { delete socket.data(); }, Qt::QueuedConnection);
}

QString DatFetch::remoteText() const
{
    return m_remoteHost + QLatin1Char(':') + QString::number(m_remotePort);
}
