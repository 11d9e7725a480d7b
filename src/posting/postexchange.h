#pragma once

#include "postrequest.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

class BoardSocket;

// One post to a board on the shared board connection: sends the request, collects the answer
// until the board closes, judges it, and answers one confirmation page by sending the same post
// again with the cookies the board set. One exchange at a time.
class PostExchange : public QObject
{
    Q_OBJECT
public:
    explicit PostExchange(QObject *parent = nullptr);

    // Starts a post to the thread at url; false (and a status text) while one is running.
    bool start(const QString &url, const PostFields &fields, const QDateTime &now);
    bool isRunning() const { return m_running; }
    // Time allowed for the connection (20 s) and for the answer once the request went out (60 s).
    void setTimeLimits(int connectMs, int answerMs)
    {
        m_connectLimitMs = connectMs;
        m_answerLimitMs = answerMs;
    }

    static constexpr qint64 kMaxAnswer = qint64(4) << 20;

signals:
    void statusChanged(const QString &text);
    // Written or Failed, once per started post.
    void finished(const PostVerdict &verdict);

private:
    void send();
    void onReceived(const QByteArray &chunk);
    void onEnded(int how, const QString &detail);
    void finish(PostVerdict::Outcome outcome, const QString &text);

    BoardSocket *wscSystem;
    QTimer m_answerTimer;
    int m_connectLimitMs = 20000;
    int m_answerLimitMs = 60000;
    bool m_running = false;
    bool m_resent = false;
    QString m_url;
    PostFields m_fields;
    QString m_body;
    QString m_cookie;
    QByteArray m_answer;
};
