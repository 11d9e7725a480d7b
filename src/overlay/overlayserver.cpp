#include "overlay/overlayserver.h"

#include "overlay/overlaypages.h"

#include "game/catfeegame.h"
#include "rendering/postpipeline.h"
#include "subtitle/flowcomment.h"

#include <QAbstractHttpServer>
#include <QBuffer>
#include <QHash>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QPainter>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>
#include <QWebSocket>
#include <algorithm>
#include <iterator>

Q_LOGGING_CATEGORY(lcOverlay, "sazanami.overlay")

namespace {

const char *const kPaths[] = {"/", "/subtitle", "/question", "/score", "/flow"};

std::optional<OverlayServer::Page> pageOf(const QString &path)
{
    for (int i = 0; i < int(std::size(kPaths)); ++i) {
        if (path == QLatin1String(kPaths[i]))
            return OverlayServer::Page(i);
    }
    return std::nullopt;
}

// Accepts at most kMaxConnections at once (with LAN, kMaxPerPeer of one other machine),
// buffers at most kMaxRequestBytes of a request, closes what has not sent its request header
// within kHeaderLimitMs and what has not become a page's WebSocket within the idle limit: a
// peer that sends nothing, or a header that never ends, cannot hold the server.
class BoundedTcpServer : public QTcpServer
{
public:
    BoundedTcpServer(int idleLimitMs, bool perPeer, QObject *parent)
        : QTcpServer(parent), m_idleLimitMs(idleLimitMs), m_perPeer(perPeer)
    {}
    int open() const { return m_open; }

protected:
    void incomingConnection(qintptr handle) override
    {
        auto *socket = new QTcpSocket(this);
        const bool taken = socket->setSocketDescriptor(handle);
        const QHostAddress peer = peerOf(*socket);
        if (!taken || m_open >= OverlayServer::kMaxConnections ||
            (!peer.isNull() && m_byPeer.value(peer) >= OverlayServer::kMaxPerPeer)) {
            socket->abort();
            socket->deleteLater();
            return;
        }
        ++m_open;
        if (!peer.isNull())
            ++m_byPeer[peer];
        connect(socket, &QObject::destroyed, this, [this, peer] {
            --m_open;
            if (!peer.isNull() && --m_byPeer[peer] <= 0)
                m_byPeer.remove(peer);
        });
        socket->setReadBufferSize(OverlayServer::kMaxRequestBytes);
        QTimer::singleShot(OverlayServer::kHeaderLimitMs, socket, [socket] {
            if (!socket->property("overlayRequest").toBool())
                socket->abort();
        });
        QTimer::singleShot(m_idleLimitMs, socket, [socket] {
            if (!socket->property("overlayWebSocket").toBool())
                socket->abort();
        });
        addPendingConnection(socket);
    }

private:
    // The peer whose connections are counted: with LAN another machine; this machine's own
    // streaming software on the loopback address is not capped. Null: not counted.
    QHostAddress peerOf(const QTcpSocket &socket) const
    {
        if (!m_perPeer)
            return QHostAddress();
        bool v4 = false;
        const quint32 address = socket.peerAddress().toIPv4Address(&v4);
        const QHostAddress peer = v4 ? QHostAddress(address) : socket.peerAddress();
        return peer == QHostAddress::LocalHost || peer == QHostAddress::LocalHostIPv6
                   ? QHostAddress()
                   : peer;
    }

    int m_idleLimitMs;
    bool m_perPeer;
    int m_open = 0;
    QHash<QHostAddress, int> m_byPeer;
};

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

class OverlayHttp : public QAbstractHttpServer
{
public:
    explicit OverlayHttp(OverlayServer &owner) : m_owner(owner) {}
    BoundedTcpServer *tcp = nullptr;

protected:
    // A WebSocket upgrade comes here first: true without an answer lets it through, false
    // sends it to missingHandler.
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override
    {
        socket->setProperty("overlayRequest", true);
        const auto page = pageOf(request.url().path());
        const bool upgrade =
            request.value("upgrade").compare("websocket", Qt::CaseInsensitive) == 0;
        m_refusal = !page ? QHttpServerResponder::StatusCode::NotFound
                    : !m_owner.allowed(request.url(), request.value("host"),
                                       upgrade ? request.value("origin") : QByteArray())
                        ? QHttpServerResponder::StatusCode::Forbidden
                    : request.method() != QHttpServerRequest::Method::Get
                        ? QHttpServerResponder::StatusCode::MethodNotAllowed
                        : QHttpServerResponder::StatusCode::Ok;
        if (m_refusal != QHttpServerResponder::StatusCode::Ok ||
            (upgrade && *page == OverlayServer::Page::Index))
            return false;
        if (upgrade)
            return true;
        const QByteArray body = *page == OverlayServer::Page::Index
                                    ? OverlayIndexHtml(m_owner.indexEntries())
                                    : OverlayPageHtml(*page);
        // The token rides in the address: it must not leak as a referrer or from a cache.
        makeResponder(request, socket)
            .write(body,
                   {{"Content-Type", "text/html; charset=utf-8"},
                    {"Cache-Control", "no-store"},
                    {"Referrer-Policy", "no-referrer"},
                    {"X-Content-Type-Options", "nosniff"}},
                   QHttpServerResponder::StatusCode::Ok);
        return true;
    }

    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override
    {
        const auto status = m_refusal == QHttpServerResponder::StatusCode::Ok
                                ? QHttpServerResponder::StatusCode::NotFound
                                : m_refusal;
        makeResponder(request, socket).write(status);
    }

private:
    OverlayServer &m_owner;
    QHttpServerResponder::StatusCode m_refusal = QHttpServerResponder::StatusCode::Ok;
};

OverlayServer::OverlayServer(QObject *parent) : QObject(parent)
{
    setQuestion(QString(), -1);
    setScores(0, {});
    m_flowTimer = new QTimer(this);
    m_flowTimer->setSingleShot(true);
    connect(m_flowTimer, &QTimer::timeout, this, &OverlayServer::sendFlow);
    m_flowClock.start();
}

OverlayServer::~OverlayServer()
{
    stop();
}

bool OverlayServer::start(int port, bool lan, const QString &token)
{
    stop();
    m_lan = lan;
    m_token = token;
    if (port < kMinPort || port > 65535) {
        m_error = QStringLiteral("ポート%1は使えません（1024から65535まで）").arg(port);
        return false;
    }
    if (lan && token.size() < 16) {
        m_error = QStringLiteral("LANで使うための合言葉がありません");
        return false;
    }
    auto http = std::make_unique<OverlayHttp>(*this);
    auto *tcp = new BoundedTcpServer(m_idleLimitMs, lan, http.get());
    tcp->setMaxPendingConnections(kMaxConnections);
    // A crowd is taken in and refused at once rather than left waiting in the kernel.
    tcp->setListenBacklogSize(4 * kMaxConnections);
    if (!tcp->listen(lan ? QHostAddress::Any : QHostAddress::LocalHost, quint16(port))) {
        m_error = tcp->serverError() == QAbstractSocket::AddressInUseError
                      ? QStringLiteral("ポート%1は使用中です").arg(port)
                      : tcp->errorString();
        qCInfo(lcOverlay) << "cannot listen on" << port << m_error;
        return false;
    }
    http->tcp = tcp;
    http->bind(tcp);
    connect(http.get(), &QAbstractHttpServer::newWebSocketConnection, this,
            &OverlayServer::acceptWebSocket);
    m_http = std::move(http);
    m_port = quint16(port);
    m_error.clear();
    return true;
}

void OverlayServer::stop()
{
    for (QWebSocket *socket : std::as_const(m_sockets)) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    m_sockets.clear();
    m_flowWaiting.clear();
    m_http.reset();
    m_port = 0;
}

bool OverlayServer::isListening() const
{
    return m_http != nullptr;
}

bool OverlayServer::isListeningWith(int port, bool lan, const QString &token) const
{
    return isListening() && m_port == port && m_lan == lan && m_token == token;
}

int OverlayServer::connectionCount() const
{
    return m_http ? m_http->tcp->open() : 0;
}

QString OverlayServer::newToken()
{
    QByteArray bytes(16, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return QString::fromLatin1(bytes.toHex());
}

QString OverlayServer::address(Page page, const QString &host) const
{
    QString a = QStringLiteral("http://%1:%2%3").arg(host).arg(m_port).arg(kPaths[int(page)]);
    if (m_lan)
        a += QStringLiteral("?token=") + m_token;
    return a;
}

bool OverlayServer::allowed(const QUrl &url, const QByteArray &host, const QByteArray &origin) const
{
    if (m_lan)
        return QUrlQuery(url).queryItemValue(QStringLiteral("token")) == m_token;
    // Only this machine's own names: a foreign name resolving to 127.0.0.1 (DNS rebinding) or
    // another site's script must not read the pages or their pushes.
    const QByteArray port = ':' + QByteArray::number(m_port);
    const auto local = [](const QByteArray &name) {
        return name == "127.0.0.1" || name == "localhost";
    };
    const QByteArray h = host.toLower(), o = origin.toLower();
    return (local(h) || (h.endsWith(port) && local(h.chopped(port.size())))) &&
           (o.isEmpty() || o == "http://127.0.0.1" + port || o == "http://localhost" + port);
}

QList<OverlayIndexEntry> OverlayServer::indexEntries() const
{
    QList<OverlayIndexEntry> entries;
    for (Page page : {Page::Subtitle, Page::Question, Page::Score, Page::Flow})
        entries.append({address(page), pageSize(page)});
    return entries;
}

QSize OverlayServer::pageSize(Page page) const
{
    switch (page) {
    case Page::Subtitle:
        return m_picture.isNull() ? kDefaultWaku : m_picture.size();
    case Page::Question:
        return QSize(440, 90);
    case Page::Score:
        return QSize(320, 240);
    case Page::Flow:
        return QSize(1280, 720); // without ?w=&h=
    case Page::Index:
        break;
    }
    return kDefaultWaku;
}

void OverlayServer::acceptWebSocket()
{
    while (m_http && m_http->hasPendingWebSocketConnections()) {
        QWebSocket *socket = m_http->nextPendingWebSocketConnection().release();
        // Address and token were checked in handleRequest.
        const auto page = pageOf(socket->requestUrl().path());
        if (!page || *page == Page::Index) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        for (QTcpSocket *tcp : m_http->tcp->findChildren<QTcpSocket *>()) {
            if (tcp->peerPort() == socket->peerPort() &&
                tcp->peerAddress() == socket->peerAddress())
                tcp->setProperty("overlayWebSocket", true);
        }
        // Pages only listen: whatever they send is small and dropped.
        socket->setMaxAllowedIncomingFrameSize(256);
        socket->setMaxAllowedIncomingMessageSize(256);
        socket->setProperty("overlayPage", int(*page));
        socket->setParent(this);
        m_sockets.append(socket);
        connect(socket, &QWebSocket::disconnected, this, [this, socket] {
            m_sockets.removeOne(socket);
            socket->deleteLater();
        });
        sendCurrent(socket, *page);
    }
}

void OverlayServer::sendCurrent(QWebSocket *socket, Page page)
{
    switch (page) {
    case Page::Subtitle:
        socket->sendBinaryMessage(wholeSubtitle());
        break;
    case Page::Question:
        socket->sendTextMessage(QString::fromUtf8(m_question));
        break;
    case Page::Score:
        socket->sendTextMessage(QString::fromUtf8(m_scores));
        break;
    case Page::Flow:
        socket->sendTextMessage(QString::fromUtf8(flowMessage(0)));
        break;
    case Page::Index:
        break;
    }
}

void OverlayServer::push(Page page)
{
    for (QWebSocket *socket : std::as_const(m_sockets)) {
        if (socket->property("overlayPage").toInt() == int(page))
            sendCurrent(socket, page);
    }
}

namespace {

// The smallest rectangle holding every pixel that is not fully transparent.
QRect inkBox(const QImage &picture)
{
    int top = -1, bottom = -1, left = picture.width(), right = -1;
    for (int y = 0; y < picture.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        int x = 0;
        while (x < picture.width() && qAlpha(line[x]) == 0)
            ++x;
        if (x == picture.width())
            continue;
        if (top < 0)
            top = y;
        bottom = y;
        left = std::min(left, x);
        int r = picture.width() - 1;
        while (qAlpha(line[r]) == 0)
            --r;
        right = std::max(right, r);
    }
    return top < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// A picture message: kind (0 the whole picture, 1 a part of it), x, y, frame width and height as
// 16-bit big-endian numbers, then the PNG of the part at x, y (none when nothing is shown).
QByteArray subtitleMessage(int kind, const QPoint &at, const QSize &frame, const QImage &image)
{
    QByteArray message;
    for (int v : {kind, at.x(), at.y(), frame.width(), frame.height()}) {
        message.append(char((v >> 8) & 0xFF));
        message.append(char(v & 0xFF));
    }
    if (!image.isNull()) {
        QBuffer buffer(&message);
        buffer.open(QIODevice::Append);
        // zlib's fastest level: the part must reach the page quickly, not be small.
        image.save(&buffer, "PNG", 80);
    }
    return message;
}

} // namespace

void OverlayServer::drawSubtitle(const QSize &frame, const QPoint &at, const QImage &patch)
{
    const bool newFrame = frame != m_picture.size();
    if (newFrame) {
        m_picture = QImage(frame, QImage::Format_ARGB32_Premultiplied);
        m_picture.fill(Qt::transparent);
    }
    QPainter p(&m_picture);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(at, patch);
    p.end();
    m_whole.clear();
    if (newFrame)
        pushSubtitle(wholeSubtitle());
    else
        pushSubtitle(subtitleMessage(1, at, frame, patch));
}

void OverlayServer::clearSubtitle()
{
    m_picture = QImage();
    m_whole.clear();
    pushSubtitle(wholeSubtitle());
}

const QByteArray &OverlayServer::wholeSubtitle()
{
    if (m_whole.isEmpty()) {
        const QRect box = inkBox(m_picture);
        m_whole = subtitleMessage(0, box.topLeft(), m_picture.size(),
                                  box.isEmpty() ? QImage() : m_picture.copy(box));
    }
    return m_whole;
}

void OverlayServer::pushSubtitle(const QByteArray &message)
{
    for (QWebSocket *socket : std::as_const(m_sockets)) {
        if (socket->property("overlayPage").toInt() == int(Page::Subtitle))
            socket->sendBinaryMessage(message);
    }
}

void OverlayServer::setQuestion(const QString &text, int clock)
{
    // The clock shows only during a round.
    m_question = json({{QStringLiteral("q"), text},
                       {QStringLiteral("t"), clock >= 0 ? QString::number(clock) : QString()}});
    push(Page::Question);
}

void OverlayServer::setScores(qint64 total, const QStringList &lines)
{
    m_scores = json({{QStringLiteral("total"), QStringLiteral("Score: %1").arg(total)},
                     {QStringLiteral("lines"), lines.join(QLatin1Char('\n'))}});
    push(Page::Score);
}

void OverlayServer::followGame(const CatfeeGame *game)
{
    auto question = [this, game] { setQuestion(game->questionText(), game->clock()); };
    auto scores = [this, game] { setScores(game->scores().total(), game->scores().lines()); };
    connect(game, &CatfeeGame::questionTextChanged, this, question);
    connect(game, &CatfeeGame::clockChanged, this, question);
    connect(game, &CatfeeGame::scoresChanged, this, scores);
    connect(game, &QObject::destroyed, this, [this] {
        setQuestion(QString(), CatfeeGame::kIdle);
        setScores(0, {});
    });
    question();
    scores();
}

namespace {

// The first kFlowLines lines and kFlowChars characters of a comment, "…" where it was cut.
QString flowText(const QString &text)
{
    qsizetype end = 0;
    int lines = 1;
    for (; end < text.size() && end < OverlayServer::kFlowChars; ++end) {
        if (text.at(end) == QLatin1Char('\n') && ++lines > OverlayServer::kFlowLines)
            break;
    }
    if (end == text.size())
        return text;
    if (end > 0 && text.at(end - 1).isHighSurrogate())
        --end;
    return text.left(end) + QChar(0x2026);
}

} // namespace

void OverlayServer::followPosts(const PostPipeline &pipeline, const Options &opt)
{
    m_flowOptions = &opt;
    const auto flowEntry = [this](const MakuEntry &entry) {
        // While no flow page is open the posts cost nothing here.
        if (!showsPage(Page::Flow))
            return;
        if (const std::optional<FlowComment> comment = FlowCommentOf(entry, *m_flowOptions))
            flow(*comment);
    };
    connect(&pipeline, &PostPipeline::postQueued, this, flowEntry);
    connect(&pipeline, &PostPipeline::noticeQueued, this, flowEntry);
}

bool OverlayServer::showsPage(Page page) const
{
    return std::any_of(m_sockets.begin(), m_sockets.end(), [page](const QWebSocket *socket) {
        return socket->property("overlayPage").toInt() == int(page);
    });
}

void OverlayServer::flow(const FlowComment &comment)
{
    if (!showsPage(Page::Flow))
        return;
    QJsonArray copies;
    for (const QPoint &at : comment.shadows)
        copies.append(QJsonArray{at.x(), at.y()});
    m_flowWaiting.append(json({{QStringLiteral("t"), flowText(comment.text)},
                               {QStringLiteral("p"), int(comment.place)},
                               {QStringLiteral("s"), comment.size},
                               {QStringLiteral("c"), comment.colour.name()},
                               {QStringLiteral("o"), comment.outline.name()},
                               {QStringLiteral("d"), copies},
                               {QStringLiteral("w"), comment.stroke}}));
    if (m_flowWaiting.size() > kFlowBacklog)
        m_flowWaiting.removeFirst();
    // One message for all the posts of a load, once it is processed.
    if (!m_flowTimer->isActive())
        m_flowTimer->start(0);
}

QByteArray OverlayServer::flowMessage(qsizetype count)
{
    const Options preset;
    const Options &o = m_flowOptions ? *m_flowOptions : preset;
    QByteArray message =
        "{\"seconds\":" + QByteArray::number(std::clamp<int>(o.FlowSeconds, 1, kMaxFlowSeconds)) +
        ",\"max\":" + QByteArray::number(std::clamp<int>(o.FlowMax, 1, kMaxFlowComments)) +
        ",\"c\":[";
    for (qsizetype i = 0; i < count; ++i) {
        if (i > 0)
            message += ',';
        message += m_flowWaiting.takeFirst();
    }
    return message + "]}";
}

void OverlayServer::sendFlow()
{
    // The budget refills at kFlowPerSecond up to kFlowBacklog.
    m_flowTokens = std::min<double>(kFlowBacklog,
                                    m_flowTokens + m_flowClock.restart() * kFlowPerSecond / 1000.0);
    const qsizetype count = std::min<qsizetype>(qsizetype(m_flowTokens), m_flowWaiting.size());
    if (count > 0) {
        m_flowTokens -= double(count);
        const QString message = QString::fromUtf8(flowMessage(count));
        for (QWebSocket *socket : std::as_const(m_sockets)) {
            if (socket->property("overlayPage").toInt() == int(Page::Flow) &&
                socket->bytesToWrite() < kFlowUnsent)
                socket->sendTextMessage(message);
        }
    }
    if (!m_flowWaiting.isEmpty())
        m_flowTimer->start(1000 / kFlowPerSecond);
}
