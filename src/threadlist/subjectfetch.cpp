#include "threadlist/subjectfetch.h"

#include "retrieval/boardrequest.h"
#include "retrieval/threadaddress.h"

#include <QDateTime>

SubjectFetch::SubjectFetch(QObject *parent)
    : QObject(parent), wscGet(new BoardSocket(this)),
      m_clock([] { return QDateTime::currentSecsSinceEpoch(); })
{
    m_limits.connectMs = kConnectLimitMs;
    m_limits.maxBytes = kMaxBytes;
    connect(wscGet, &BoardSocket::requestSent, this,
            [this] { emit statusChanged(QStringLiteral("受信待機中...")); });
    connect(wscGet, &BoardSocket::received, this, &SubjectFetch::wscGet_DataArrival);
    connect(wscGet, &BoardSocket::ended, this, &SubjectFetch::wscGet_Close);
}

void SubjectFetch::GetBoard(const QString &boardUrl, bool rental)
{
    const QString target = boardUrl + QStringLiteral("subject.txt");
    m_response.reset(boardUrl, rental, m_clock());
    // The thread-data request without "Range:", and one more blank line.
    const QByteArray request = BoardGetRequest(target) + "\r\n";
    const HostPort remote = GetHostPort(target);
    wscGet->start(remote.name, remote.port, IsHttps(target), request, m_limits);
    emit statusChanged(wscGet->remoteText() + QStringLiteral("に接続中..."));
}

void SubjectFetch::wscGet_DataArrival(const QByteArray &chunk)
{
    const SubjectResponse::Step step = m_response.feed(chunk);
    switch (step.action) {
    case SubjectResponse::Action::Wait:
        return;
    case SubjectResponse::Action::Progress:
        emit statusChanged(step.status);
        return;
    case SubjectResponse::Action::Rejected:
        end(step.status, false);
        return;
    case SubjectResponse::Action::TooMany:
        end(step.status);
        return;
    }
}

void SubjectFetch::wscGet_Close(BoardSocket::End how, const QString &detail)
{
    if (how == BoardSocket::End::Closed) {
        const QVector<ThreadRow> rows = m_response.finish();
        emit statusChanged(m_response.closedText(rows.isEmpty()));
        emit listEnded(rows);
        return;
    }
    // Timed out, broken or over the bound: what came so far is listed, with the reason.
    end(wscGet->endText(how, detail));
}

void SubjectFetch::end(const QString &status, bool withRows)
{
    wscGet->abort();
    QVector<ThreadRow> rows = m_response.finish();
    if (!withRows)
        rows.clear();
    emit statusChanged(status);
    emit listEnded(rows);
}
