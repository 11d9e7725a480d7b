#include "retrieval/datfetch.h"

#include "retrieval/boardrequest.h"
#include "retrieval/threadaddress.h"
#include "retrieval/threadstate.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcRetrieval, "sazanami.retrieval", QtInfoMsg)

namespace {

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

DatFetch::LoadEnd loadEndOf(BoardSocket::End how)
{
    using End = BoardSocket::End;
    switch (how) {
    case End::ConnectFailed:
    case End::ConnectTimedOut:
    case End::TlsUnavailable:
        return DatFetch::LoadEnd::ConnectFailed;
    case End::CertificateRefused:
    case End::HandshakeFailed:
        return DatFetch::LoadEnd::TlsRefused;
    case End::HandshakeTimedOut:
        return DatFetch::LoadEnd::HandshakeTimedOut;
    case End::IdleTimedOut:
        return DatFetch::LoadEnd::TimedOut;
    case End::DeadlineReached:
        return DatFetch::LoadEnd::DeadlineReached;
    case End::TooLarge:
        return DatFetch::LoadEnd::TooLarge;
    case End::SocketError:
        return DatFetch::LoadEnd::SocketError;
    case End::Closed:
        break;
    }
    return DatFetch::LoadEnd::Interrupted;
}

} // namespace

DatFetch::DatFetch(ThreadState &state, QObject *parent)
    : QObject(parent), m_state(state), wscGet(new BoardSocket(this))
{
    connect(wscGet, &BoardSocket::requestSent, this,
            [this] { setStatus(QStringLiteral("受信待機中...")); });
    connect(wscGet, &BoardSocket::received, this, &DatFetch::wscGet_DataArrival);
    connect(wscGet, &BoardSocket::ended, this, &DatFetch::wscGet_Close);
}

void DatFetch::GetThread(const QString &address, qint32 Range, qint32 ResCount)
{
    const bool shitaraba = m_state.BoardKind == Boards::Kind::Shitaraba;
    const QString dataUrl = shitaraba ? GetRawModeUrl(address, ResCount) : GetDatUrl(address);
    const bool rangeRequest = !shitaraba && Range != 0;
    m_response.reset(shitaraba, rangeRequest, m_state.DatSeparator, Range, m_state.DatBytes);
    const QByteArray request = BoardGetRequest(dataUrl, rangeRequest ? Range : -1);
    qCDebug(lcRetrieval) << "GET" << dataUrl << "range" << Range;

    m_active = true;
    const HostPort remote = GetHostPort(dataUrl);
    wscGet->start(remote.name, remote.port, IsHttps(dataUrl), request, m_limits);
    setStatus(wscGet->remoteText() + QStringLiteral("に接続中..."));
}

void DatFetch::abort()
{
    if (!m_active)
        return;
    wscGet->abort();
    m_active = false;
    handOn(m_response.abandon(QString()));
    m_state.Ready = true;
}

void DatFetch::clearLocalCopy()
{
    m_state.DatBytes.clear();
    m_state.DatSize = 0;
}

void DatFetch::wscGet_DataArrival(const QByteArray &chunk)
{
    if (!m_active)
        return;
    const DatResponse::Step step = m_response.feed(chunk);
    switch (step.action) {
    case DatResponse::Action::Wait:
        return;
    case DatResponse::Action::Lines:
        handOn(step);
        // Nothing more of a thread past its bound (ThreadState) is read.
        if (m_active && m_state.ThreadFull) {
            endLoad(LoadEnd::TooLarge, m_response.abandon(QString()));
            return;
        }
        // The line sink may have ended or restarted the load.
        if (m_active && wscGet->isReceiving())
            setStatus(step.status);
        return;
    case DatResponse::Action::TooLarge: {
        // Ended as any load that stops early; the lines of this chunk go with the end.
        DatResponse::Step kept = m_response.abandon(step.status);
        kept.lines = step.lines;
        endLoad(LoadEnd::TooLarge, kept);
        return;
    }
    default:
        endLoad(loadEndOf(step.action), step);
        return;
    }
}

void DatFetch::wscGet_Close(BoardSocket::End how, const QString &detail)
{
    if (!m_active)
        return;
    if (how == BoardSocket::End::Closed) {
        const DatResponse::Step step = m_response.close();
        endLoad(loadEndOf(step.action), step);
        return;
    }
    // Every other end keeps the complete lines received so far.
    endLoad(loadEndOf(how), m_response.abandon(wscGet->endText(how, detail)));
}

void DatFetch::handOn(const DatResponse::Step &step)
{
    // The local copy grows only here, by what the response says joins it.
    if (!step.append.isEmpty()) {
        m_state.DatBytes += step.append;
        m_state.DatSize = qint32(m_state.DatBytes.size());
    }
    if (step.lines.isEmpty() || m_state.ThreadFull)
        return;
    m_state.DatSeparator = step.separator;
    emit linesReceived(step.lines, step.separator);
}

void DatFetch::endLoad(LoadEnd how, const DatResponse::Step &last)
{
    m_active = false;
    wscGet->abort();
    handOn(last);
    setStatus(m_state.ThreadFull ? ThreadState::FullText() : last.status);
    m_state.Ready = true;
    qCDebug(lcRetrieval) << "load ended" << how;
    emit loadEnded(how);
}

void DatFetch::setStatus(const QString &text)
{
    if (!text.isEmpty())
        emit statusChanged(text);
}
