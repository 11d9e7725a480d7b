#pragma once

#include "overlay/overlaypages.h"
#include "settings/options.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QStringList>
#include <memory>
#include <optional>

class CatfeeGame;
class PostPipeline;
struct FlowComment;

class QTimer;
class QUrl;
class QWebSocket;
class OverlayHttp;

// The browser-source server: pages that streaming software shows over the video, fed with the
// subtitle picture and the game's texts as they change. It decides nothing about them.
// Pages and updates travel over one address each: a plain GET gives the page, the page's own
// WebSocket to the same address gets the pushes.
class OverlayServer : public QObject
{
    Q_OBJECT
public:
    using Page = OverlayPage;

    static constexpr quint16 kDefaultPort = 50080;
    static constexpr quint16 kMinPort = kMinOverlayPort;
    static constexpr int kMaxConnections = 64;
    // With LAN, connections of one other machine at once.
    static constexpr int kMaxPerPeer = 8;
    static constexpr qint64 kMaxRequestBytes = 8 * 1024;
    // A connection that has not become a page's WebSocket by then is closed.
    static constexpr int kIdleLimitMs = 10000;
    // A connection that has not sent a whole request header by then is closed.
    static constexpr int kHeaderLimitMs = 2000;
    // Flowing comments: at most kFlowBacklog wait to be sent (the oldest are dropped), sent at
    // once, then at most kFlowPerSecond a second; each of at most kFlowLines lines and
    // kFlowChars characters. A page with kFlowUnsent bytes not yet taken gets none meanwhile.
    static constexpr int kFlowBacklog = kMaxFlowComments;
    static constexpr int kFlowPerSecond = 30;
    static constexpr int kFlowLines = 10;
    static constexpr int kFlowChars = 200;
    static constexpr qint64 kFlowUnsent = 1 << 20;

    explicit OverlayServer(QObject *parent = nullptr);
    ~OverlayServer() override;

    // Listens on 127.0.0.1, or on every address with `lan` (then every request needs `token`).
    // False when the port cannot be had; errorString() says why. Pushed contents survive.
    bool start(int port, bool lan, const QString &token);
    // For the next start (tests shorten it).
    void setIdleLimit(int ms) { m_idleLimitMs = ms; }
    void stop();
    bool isListening() const;
    // Listening already as start(port, lan, token) would: nothing to restart.
    bool isListeningWith(int port, bool lan, const QString &token) const;
    quint16 port() const { return m_port; }
    QString errorString() const { return m_error; }
    // The address of a page for a browser on `host`, token included when one is needed.
    QString address(Page page, const QString &host = QStringLiteral("127.0.0.1")) const;

    // The subtitle window's picture as it changes, with alpha: `patch` replaces the part at
    // `at` of a picture of `frame`'s size; a new size starts from a clear picture.
    void drawSubtitle(const QSize &frame, const QPoint &at, const QImage &patch);
    // Nothing is shown any more: the window closed.
    void clearSubtitle();
    void setQuestion(const QString &text, int clock);
    void setScores(qint64 total, const QStringList &lines);
    // The size to give a page's browser source: the subtitle frame as last drawn.
    QSize pageSize(Page page) const;
    int connectionCount() const;

    // Keeps the question and score pages up to date with `game` while it lives; blank after.
    void followGame(const CatfeeGame *game);
    // Every post and notice `pipeline` queues flows on the flow page as it is received, styled
    // and timed by `opt` as it is then.
    void followPosts(const PostPipeline &pipeline, const Options &opt);
    // A comment for the flow pages, sent at once; nothing when no flow page is open.
    void flow(const FlowComment &comment);

    // A random token for the LAN mode: 32 hex digits.
    static QString newToken();

private:
    friend class OverlayHttp;
    // With LAN the token; without, a Host and (for pushes) an Origin of this machine's own.
    bool allowed(const QUrl &url, const QByteArray &host, const QByteArray &origin) const;
    QList<OverlayIndexEntry> indexEntries() const;
    void acceptWebSocket();
    void sendCurrent(QWebSocket *socket, Page page);
    void push(Page page);
    void pushSubtitle(const QByteArray &message);
    const QByteArray &wholeSubtitle();
    bool showsPage(Page page) const;
    QByteArray flowMessage(qsizetype count);
    void sendFlow();

    std::unique_ptr<OverlayHttp> m_http;
    QList<QWebSocket *> m_sockets;
    QString m_token;
    QString m_error;
    quint16 m_port = 0;
    int m_idleLimitMs = kIdleLimitMs;
    bool m_lan = false;
    QImage m_picture;
    QByteArray m_whole; // the message for a page that connects now; empty until needed
    QByteArray m_question;
    QByteArray m_scores;
    const Options *m_flowOptions = nullptr;
    QList<QByteArray> m_flowWaiting; // comments as JSON objects
    double m_flowTokens = kFlowBacklog;
    QElapsedTimer m_flowClock;
    QTimer *m_flowTimer = nullptr;
};
