#include "postexchange.h"

#include "platform/boardsocket.h"
#include "platform/codec.h"
#include "retrieval/threadaddress.h"

PostExchange::PostExchange(QObject *parent) : QObject(parent), wscSystem(new BoardSocket(this))
{
    m_answerTimer.setSingleShot(true);
    connect(&m_answerTimer, &QTimer::timeout, this, [this] {
        wscSystem->abort();
        finish(PostVerdict::Outcome::Failed, QStringLiteral("書き込みの応答が") +
                                                 QString::number(m_answerLimitMs / 1000) +
                                                 QStringLiteral("秒以内に返ってきませんでした"));
    });
    connect(wscSystem, &BoardSocket::requestSent, this, [this] {
        emit statusChanged(wscSystem->remoteText() + QStringLiteral("に接続"));
        emit statusChanged(QStringLiteral("書き込み中"));
        m_answerTimer.start(m_answerLimitMs);
    });
    connect(wscSystem, &BoardSocket::received, this, &PostExchange::onReceived);
    connect(wscSystem, &BoardSocket::ended, this,
            [this](BoardSocket::End how, const QString &detail) { onEnded(int(how), detail); });
}

bool PostExchange::start(const QString &url, const PostFields &fields, const QDateTime &now)
{
    if (m_running) {
        emit statusChanged(QStringLiteral("書き込み中です。終わるまでお待ちください"));
        return false;
    }
    m_running = true;
    m_resent = false;
    m_url = url;
    m_fields = fields;
    m_body = PostBody(url, fields, PostTime(now));
    m_cookie.clear();
    send();
    return true;
}

void PostExchange::send()
{
    m_answer.clear();
    const HostPort remote = GetHostPort(m_url);
    BoardSocket::Limits limits;
    limits.connectMs = m_connectLimitMs;
    // The answer limit is ours (from the request on); the socket's own limits stay behind it.
    limits.idleMs = m_answerLimitMs + 5000;
    limits.deadlineMs = limits.connectMs * 2 + limits.handshakeMs + m_answerLimitMs + 5000;
    limits.maxBytes = kMaxAnswer;
    wscSystem->start(remote.name, remote.port, IsHttps(m_url),
                     PostRequest(m_url, m_fields, m_body, m_cookie), limits);
    emit statusChanged(wscSystem->remoteText() + QStringLiteral("に接続中..."));
}

void PostExchange::onReceived(const QByteArray &chunk)
{
    m_answer += chunk;
}

void PostExchange::onEnded(int how, const QString &detail)
{
    m_answerTimer.stop();
    const auto end = BoardSocket::End(how);
    if (end != BoardSocket::End::Closed) {
        finish(PostVerdict::Outcome::Failed, wscSystem->endText(end, detail));
        return;
    }
    const QString answer =
        IsShitarabaForm(m_url) ? Codec::EucToSjis(m_answer) : Codec::fromSjis(m_answer);
    const PostVerdict verdict = JudgePostAnswer(answer);
    if (verdict.outcome == PostVerdict::Outcome::Confirmation && !m_resent) {
        // The board wants its cookies back before it writes: one more try with them.
        m_resent = true;
        m_cookie = PostCookie(m_fields, answer);
        send();
        return;
    }
    finish(verdict.outcome == PostVerdict::Outcome::Written ? verdict.outcome
                                                            : PostVerdict::Outcome::Failed,
           verdict.text);
}

void PostExchange::finish(PostVerdict::Outcome outcome, const QString &text)
{
    m_running = false;
    m_answer.clear();
    emit statusChanged(text);
    emit finished(PostVerdict{outcome, text});
}
