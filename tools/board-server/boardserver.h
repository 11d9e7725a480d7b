#pragma once

#include "demoposts.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVector>
#include <functional>
#include <memory>
#include <optional>

class QTcpServer;
class QTcpSocket;

// A local bulletin board on 127.0.0.1 for the demo and the tests. It answers like the boards'
// web servers: 2channel-style data files with byte ranges and subject lists, the rental board's
// raw-mode output in EUC-JP. Faults can be switched on to test a client against them.
class BoardServer : public QObject
{
    Q_OBJECT
public:
    // Quirks applied to every response while they are set.
    struct Behaviour
    {
        QVector<qint64> splitAt;   // byte offsets in the response where a new chunk starts
        bool headerAlone = false;  // the header goes in a chunk of its own
        int chunkGapMs = 40;       // pause between chunks
        int silentMs = 0;          // pause before the first byte; -1: never answer
        qint64 closeAfter = -1;    // close after this many bytes of the response
        bool resetAtClose = false; // end an early close with a TCP reset instead of a FIN
        bool ignoreRange = false;  // answer Range requests with 200 and the whole file
        QByteArray statusLine;     // replaces the status line when set
        bool omitContentLength = false;
        bool statusOnly = false;      // the header is the status line alone
        bool tlsGarbageAtEnd = false; // TLS: end with bytes that are no TLS record, under it
        qint64 stallAfter = -1;       // send this many bytes, then keep the connection silent
        qint64 announcedLength = -1;  // the Content-Length to announce instead of the true one
        int trickleMs = 0;            // the body one byte at a time, this far apart
        bool endlessLines = false;    // the body is short data lines without end
        qint64 rangeFrom = -1;        // serve Range requests from here (told in Content-Range)
        int handshakeDelayMs = 0;     // TLS: the handshake starts this late
        QByteArray confirmCookie;     // posts: a cookie key that must come back as well
        bool confirmAlways = false;   // posts: ask for confirmation every time
        QString postError;            // posts: refuse every post with this reason
        // Posts keep reply anchors as plain "&gt;&gt;N", as the Perl board software most
        // external boards run stores them; otherwise they are links, as 2channel writes them.
        bool plainAnchors = false;
    };

    // Bytes an endless body stops at, should the client never give up.
    static constexpr qint64 kEndlessBound = qint64(256) << 20;

    // One request as received: its request line and header, up to the blank line.
    struct Request
    {
        QByteArray method;
        QByteArray path;
        QByteArray head;
        QByteArray body; // a POST's form, as long as its Content-Length says
        QByteArray header(const QByteArray &name) const;
    };

    explicit BoardServer(QObject *parent = nullptr);
    ~BoardServer() override;

    // Listens on 127.0.0.1 (port 0: a free one).
    bool listen(quint16 port = 0);
    // Listens for TLS with a PEM certificate (chain) and key.
    bool listenTls(const QString &certificateFile, const QString &keyFile, quint16 port = 0);
    quint16 port() const;
    bool isTls() const { return m_tls; }
    QString errorString() const { return m_error; }
    // "http://127.0.0.1:PORT" (or https).
    QString origin() const;

    // 2channel-style boards. board may carry a directory in front ("prefix/board").
    void setDat(const QString &board, const QString &key, const QByteArray &bytes);
    void appendDat(const QString &board, const QString &key, const QByteArray &bytes);
    QByteArray dat(const QString &board, const QString &key) const;
    // Replaces line `index` (0-based, without its LF) in place, as a deleted post is rewritten.
    bool rewriteDatLine(const QString &board, const QString &key, int index,
                        const QByteArray &line);
    // Removes line `index` (0-based) with its LF, as a post deleted without a trace.
    bool removeDatLine(const QString &board, const QString &key, int index);

    // Rental-board threads: lines without their LF, as text (served in EUC-JP).
    void setRentalThread(const QString &category, const QString &board, const QString &key,
                         const QStringList &lines);
    void appendRentalLine(const QString &category, const QString &board, const QString &key,
                          const QString &line);
    bool rewriteRentalLine(const QString &category, const QString &board, const QString &key,
                           int index, const QString &line);
    QStringList rentalLines(const QString &category, const QString &board,
                            const QString &key) const;

    // A thread that ends: a 2channel-style thread gets the board's stop post (the 1001st at
    // 1000 posts), a rental thread's raw-mode answers carry "ERROR: STORAGE IN" in their header;
    // either takes no more posts.
    void stopDat(const QString &board, const QString &key);
    void stopRentalThread(const QString &category, const QString &board, const QString &key);
    // Keeps a thread ("board/key", "category/board/key") out of its board's subject list for
    // ms milliseconds from now (-1: until told again), as a busy board's list lags behind.
    void listThreadAfter(const QString &thread, int ms);

    // A static picture (or page) at `path` ("/img/a.png"), typed by its extension.
    void setPicture(const QString &path, const QByteArray &bytes);

    void setBehaviour(const Behaviour &behaviour) { m_behaviour = behaviour; }
    const Behaviour &behaviour() const { return m_behaviour; }

    const QList<Request> &requests() const { return m_requests; }
    // Connections the client has not closed yet.
    int openConnections() const { return int(m_connections.size()); }
    void clearRequests() { m_requests.clear(); }

    // The demo: a 2channel-style thread /demo/dat/1700000000.dat and a rental-board thread
    // /bbs/rawmode.cgi/demo/1/1700000000/ with `posts` posts, one more every intervalMs
    // (varied by up to half of it); 0 keeps them still. Post kDemoLinkAt makes the next thread
    // and names it; at 1000 the thread stops and the next one is listed kDemoListDelayMs later
    // and grows on. Decoys: an older thread with the next one's title, a newer unrelated one.
    static constexpr const char *kDemoBoard = "demo";
    static constexpr const char *kDemoKey = "1700000000";
    static constexpr int kDemoLinkAt = 995;
    static constexpr int kDemoListDelayMs = 10000;
    void startDemo(int posts, int intervalMs, quint32 seed = 1);
    void addDemoPost();
    // Page address of the demo thread.
    QString demoThreadUrl() const;

    // Keys of the 2channel-style threads of a board.
    QStringList threadKeys(const QString &board) const;
    // Posts written through the forms, counted since the start.
    int postsWritten() const { return m_written; }

signals:
    void requestReceived(const BoardServer::Request &request);
    void demoPostAdded(int number);

private:
    struct Connection;
    bool startListening(quint16 port);
    void acceptConnections();
    void readRequest(Connection *connection);
    QByteArray answer(const Request &request);
    struct PostReply;
    PostReply takePost(const Request &request, bool rental);
    static PostReply errorPage(const QString &reason);
    // The confirmation page that sets the cookies, unless they came back.
    std::optional<PostReply> confirmation(const Request &request, const QString &name,
                                          const QString &mail, bool rental) const;
    void send(Connection *connection, QByteArray response, qsizetype headerSize);
    void sendNext(Connection *connection);
    void finish(Connection *connection, bool reset);
    void pumpEndless(Connection *connection);
    bool editDatLine(const QString &board, const QString &key, int index,
                     const std::function<void(QList<QByteArray> &, int)> &edit);
    void scheduleDemo();
    void addDemoPostAt(const QDateTime &when);
    void writeDemoPost(const QString &key, int part, const QDateTime &when,
                       const QString &message = {});
    QString demoAddress(const QString &key, bool rental) const;
    bool isListed(const QString &thread) const;

    std::unique_ptr<QTcpServer> m_server;
    bool m_tls = false;
    QString m_error;
    QHash<QString, QByteArray> m_dats;                        // "board/key"
    QHash<QString, QStringList> m_rental;                     // "category/board/key"
    QHash<QString, QPair<QByteArray, QByteArray>> m_pictures; // path → content type, bytes
    QSet<QString> m_stopped;                                  // threads, as keyed above
    QHash<QString, QDeadlineTimer> m_unlisted;
    Behaviour m_behaviour;
    QList<Request> m_requests;
    QList<Connection *> m_connections;

    std::unique_ptr<DemoPosts> m_demo;
    QTimer m_demoTimer;
    int m_demoInterval = 0;
    QString m_demoThread = QLatin1String(kDemoKey);
    QString m_demoNext; // the next thread once post kDemoLinkAt made it
    int m_demoPart = 1;
    int m_written = 0;
};
