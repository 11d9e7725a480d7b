#include "speech/voicevoxclient.h"

#include "settings/speechoptions.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QUrl>
#include <cmath>

VoicevoxClient::VoicevoxClient(const QString &url, int speaker, int rate, QObject *parent)
    : QObject(parent), m_url(url), m_speaker(speaker),
      // Each 10 steps of Rate double the speed.
      m_speedScale(std::pow(2.0, rate / 10.0))
{
    if (const auto endpoint = ParseVoicevoxUrl(url)) {
        m_host = endpoint->host;
        m_port = endpoint->port;
    }
    connect(&m_socket, &BoardSocket::received, this, &VoicevoxClient::onReceived);
    connect(&m_socket, &BoardSocket::ended, this, [this](BoardSocket::End how) { onEnded(how); });
}

QString VoicevoxClient::where() const
{
    return QStringLiteral("VOICEVOXエンジン（%1）").arg(m_url);
}

void VoicevoxClient::synthesize(const QString &text)
{
    abort();
    if (m_host.isEmpty()) {
        // Reported from the event loop, as every other end.
        QTimer::singleShot(0, this, [this] {
            emit failed(QStringLiteral("VOICEVOXエンジンのURLには、このパソコンかLAN内の"
                                       "httpのアドレスを指定してください（%1）")
                            .arg(m_url));
        });
        return;
    }
    m_step = Step::Query;
    const QByteArray target = "/audio_query?text=" + QUrl::toPercentEncoding(text) +
                              "&speaker=" + QByteArray::number(m_speaker);
    send(target, QByteArray(), m_limits.maxQuery);
}

void VoicevoxClient::abort()
{
    m_step = Step::Idle;
    m_socket.abort();
}

void VoicevoxClient::send(const QByteArray &target, const QByteArray &body, qint64 maxBody)
{
    const QByteArray host =
        m_host.contains(QLatin1Char(':')) ? '[' + m_host.toLatin1() + ']' : m_host.toLatin1();
    QByteArray request =
        "POST " + target + " HTTP/1.1\r\nHost: " + host + ':' + QByteArray::number(m_port) + "\r\n";
    if (!body.isEmpty())
        request += "Content-Type: application/json\r\n";
    request += "Content-Length: " + QByteArray::number(body.size()) +
               "\r\nConnection: close\r\n\r\n" + body;
    m_answer = HttpAnswer(maxBody);
    BoardSocket::Limits limits;
    limits.connectMs = m_limits.connectMs;
    limits.idleMs = m_limits.answerMs;
    limits.deadlineMs = m_limits.connectMs + m_limits.answerMs;
    limits.maxBytes = maxBody + HttpAnswer::kMaxHead + 64 * 1024;
    m_socket.start(m_host, m_port, false, request, limits);
}

void VoicevoxClient::onReceived(const QByteArray &chunk)
{
    const HttpAnswer::State state = m_answer.feed(chunk);
    if (state == HttpAnswer::State::Done || state == HttpAnswer::State::Bad) {
        m_socket.abort();
        onAnswer();
    }
}

void VoicevoxClient::onEnded(BoardSocket::End how)
{
    using End = BoardSocket::End;
    switch (how) {
    case End::Closed:
        m_answer.close();
        onAnswer();
        return;
    case End::ConnectFailed:
        fail(where() + (m_socket.socketError() == QAbstractSocket::ConnectionRefusedError
                            ? QStringLiteral("に接続できませんでした（接続を拒否されました。"
                                             "起動しているか、URLのポート番号を確認してください）")
                            : QStringLiteral("に接続できませんでした")));
        return;
    case End::ConnectTimedOut:
        fail(where() + QStringLiteral("に接続できませんでした（%1秒以内に応答がありません）")
                           .arg(m_limits.connectMs / 1000.0));
        return;
    case End::IdleTimedOut:
    case End::DeadlineReached:
        fail(where() +
             QStringLiteral("が%1秒以内に答えませんでした").arg(m_limits.answerMs / 1000.0));
        return;
    case End::TooLarge:
        fail(where() + QStringLiteral("の答えが大きすぎるため、読み上げを中止しました"));
        return;
    default:
        fail(where() + QStringLiteral("との通信が途中で切れました"));
        return;
    }
}

void VoicevoxClient::onAnswer()
{
    if (m_answer.state() != HttpAnswer::State::Done) {
        fail(m_answer.state() == HttpAnswer::State::Bad && m_answer.status() == 0
                 ? where() + QStringLiteral("の答えがHTTPの形ではありません")
                 : where() + QStringLiteral("の答えが途中で切れたか、大きすぎます"));
        return;
    }
    if (m_answer.status() != 200) {
        fail(where() + QStringLiteral("が読み上げを断りました（HTTP %1。話者の番号を確認して"
                                      "ください）")
                           .arg(m_answer.status()));
        return;
    }
    if (m_step == Step::Query) {
        QJsonParseError error;
        QJsonDocument query = QJsonDocument::fromJson(m_answer.body(), &error);
        if (error.error != QJsonParseError::NoError || !query.isObject()) {
            fail(where() +
                 QStringLiteral("の答え（audio_query）がJSONのオブジェクトではありません"));
            return;
        }
        QJsonObject object = query.object();
        object.insert(QStringLiteral("speedScale"), m_speedScale);
        m_step = Step::Synthesis;
        send("/synthesis?speaker=" + QByteArray::number(m_speaker),
             QJsonDocument(object).toJson(QJsonDocument::Compact), m_limits.maxWave);
        return;
    }
    std::optional<WaveData> wave = ParseWave(m_answer.body());
    if (!wave) {
        fail(where() + QStringLiteral("の答え（synthesis）が再生できるWAVではありません"));
        return;
    }
    m_step = Step::Idle;
    m_answer = HttpAnswer(0);
    emit waveReady(*wave);
}

void VoicevoxClient::fail(const QString &text)
{
    abort();
    m_answer = HttpAnswer(0);
    emit failed(text);
}
