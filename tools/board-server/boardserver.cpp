#include "boardserver.h"

#include "platform/codec.h"

#include <QFile>
#include <QHostAddress>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#endif

namespace {

constexpr qsizetype kMaxRequest = 64 * 1024;

// What a route answers, before the behaviour is applied.
struct Reply
{
    QByteArray status = QByteArrayLiteral("HTTP/1.1 200 OK");
    QByteArray contentType = QByteArrayLiteral("text/plain; charset=Shift_JIS");
    QByteArray extraHeaders;
    QByteArray body;
    bool withLength = true;
};

Reply notFound()
{
    Reply r;
    r.status = QByteArrayLiteral("HTTP/1.1 404 Not Found");
    r.contentType = QByteArrayLiteral("text/html");
    r.body = QByteArrayLiteral("<html><body>404 Not Found</body></html>\n");
    return r;
}

QStringList splitLines(const QByteArray &sjis)
{
    QStringList lines = Codec::fromSjis(sjis).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString titleOf(const QString &firstLine, int field)
{
    const QStringList fields = firstLine.split(QStringLiteral("<>"));
    return fields.size() > field ? fields.at(field).trimmed() : QString();
}

QString htmlEscaped(const QString &text)
{
    return text.toHtmlEscaped();
}

// A post form's fields, decoded from Shift_JIS or EUC-JP. Bounded by the request's size.
QHash<QString, QString> parseForm(const QByteArray &body, bool euc)
{
    QHash<QString, QString> form;
    for (const QByteArray &pair : body.trimmed().split('&')) {
        const qsizetype eq = pair.indexOf('=');
        if (eq <= 0)
            continue;
        QByteArray value = pair.mid(eq + 1);
        value.replace('+', ' ');
        value = QByteArray::fromPercentEncoding(value);
        form.insert(QString::fromLatin1(pair.left(eq)),
                    euc ? Codec::fromEuc(value) : Codec::fromSjis(value));
    }
    return form;
}

// The keys of a Cookie header, as sent (compared case-sensitively, as the board's script does).
QList<QByteArray> cookieKeys(const QByteArray &cookie)
{
    QList<QByteArray> keys;
    for (const QByteArray &part : cookie.split(';'))
        keys << part.left(part.indexOf('=')).trimmed();
    return keys;
}

QString postPage(const QString &title, const QString &body)
{
    return QStringLiteral("<html><head><title>") + title + QStringLiteral("</title></head><body>") +
           body + QStringLiteral("</body></html>\n");
}

// What the board's script does to a field before it stores it.
QString boardEscaped(QString text)
{
    text.replace(QLatin1Char('<'), QLatin1String("&lt;"))
        .replace(QLatin1Char('>'), QLatin1String("&gt;"))
        .replace(QLatin1Char('"'), QLatin1String("&quot;"));
    text.replace(QLatin1String("\r\n"), QLatin1String(" <br> "))
        .replace(QLatin1Char('\n'), QLatin1String(" <br> "));
    return text;
}

// Reply anchors as 2channel writes them: a link to the post of the thread at `path`.
QString linkedAnchors(const QString &text, const QString &path)
{
    static const QRegularExpression anchor(QStringLiteral("&gt;&gt;(\\d{1,5}(?:-\\d{1,5})?)"));
    QString out = text;
    out.replace(anchor, QStringLiteral("<a href=\"") + path +
                            QStringLiteral("\\1\" target=\"_blank\">&gt;&gt;\\1</a>"));
    return out;
}

} // namespace

struct BoardServer::PostReply
{
    QString html;
    QByteArray cookies; // Set-Cookie lines
};

struct BoardServer::Connection : QObject
{
    QTcpSocket *socket = nullptr;
    QByteArray input;
    bool answered = false;
    QList<QByteArray> chunks;
    bool early = false;
    bool reset = false;
    bool stall = false;
    bool endless = false;
    qint64 endlessSent = 0;
    int gap = 0;
};

namespace {

// A TLS server that lets a new connection wait before its handshake starts.
class SlowHandshakeServer : public QSslServer
{
public:
    explicit SlowHandshakeServer(const BoardServer::Behaviour &behaviour) : m_behaviour(behaviour)
    {}

protected:
    void incomingConnection(qintptr socket) override
    {
        const int delay = m_behaviour.handshakeDelayMs;
        if (delay <= 0) {
            QSslServer::incomingConnection(socket);
            return;
        }
        QTimer::singleShot(delay, this, [this, socket] { QSslServer::incomingConnection(socket); });
    }

private:
    const BoardServer::Behaviour &m_behaviour;
};

} // namespace

QByteArray BoardServer::Request::header(const QByteArray &name) const
{
    const QList<QByteArray> lines = head.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
            return line.mid(colon + 1).trimmed();
    }
    return QByteArray();
}

BoardServer::BoardServer(QObject *parent) : QObject(parent)
{
    m_demoTimer.setSingleShot(true);
    connect(&m_demoTimer, &QTimer::timeout, this, [this] {
        addDemoPost();
        scheduleDemo();
    });
}

BoardServer::~BoardServer()
{
    for (Connection *c : std::as_const(m_connections))
        delete c;
}

bool BoardServer::listen(quint16 port)
{
    m_server = std::make_unique<QTcpServer>();
    m_tls = false;
    connect(m_server.get(), &QTcpServer::newConnection, this, &BoardServer::acceptConnections);
    return startListening(port);
}

bool BoardServer::listenTls(const QString &certificateFile, const QString &keyFile, quint16 port)
{
    const QList<QSslCertificate> chain = QSslCertificate::fromPath(certificateFile);
    QFile file(keyFile);
    if (chain.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("cannot read the certificate or the key");
        return false;
    }
    const QByteArray pem = file.readAll();
    QSslKey key;
    for (QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa}) {
        key = QSslKey(pem, algorithm);
        if (!key.isNull())
            break;
    }
    if (key.isNull()) {
        m_error = QStringLiteral("the key is not a PEM RSA, EC or DSA key");
        return false;
    }
    auto server = std::make_unique<SlowHandshakeServer>(m_behaviour);
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setLocalCertificateChain(chain);
    config.setPrivateKey(key);
    config.setPeerVerifyMode(QSslSocket::VerifyNone);
    server->setSslConfiguration(config);
    m_server = std::move(server);
    m_tls = true;
    return startListening(port);
}

bool BoardServer::startListening(quint16 port)
{
    // Connections are taken once they are ready (after the handshake for TLS).
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this,
            &BoardServer::acceptConnections);
    if (!m_server->listen(QHostAddress::LocalHost, port)) {
        m_error = m_server->errorString();
        return false;
    }
    return true;
}

quint16 BoardServer::port() const
{
    return m_server ? m_server->serverPort() : 0;
}

QString BoardServer::origin() const
{
    return (m_tls ? QStringLiteral("https://") : QStringLiteral("http://")) +
           QStringLiteral("127.0.0.1:") + QString::number(port());
}

void BoardServer::setDat(const QString &board, const QString &key, const QByteArray &bytes)
{
    m_dats.insert(board + QLatin1Char('/') + key, bytes);
}

void BoardServer::appendDat(const QString &board, const QString &key, const QByteArray &bytes)
{
    m_dats[board + QLatin1Char('/') + key] += bytes;
}

QByteArray BoardServer::dat(const QString &board, const QString &key) const
{
    return m_dats.value(board + QLatin1Char('/') + key);
}

QStringList BoardServer::threadKeys(const QString &board) const
{
    QStringList keys;
    const QString prefix = board + QLatin1Char('/');
    for (auto it = m_dats.keyBegin(); it != m_dats.keyEnd(); ++it) {
        if (it->startsWith(prefix) && !it->mid(prefix.size()).contains(QLatin1Char('/')))
            keys << it->mid(prefix.size());
    }
    return keys;
}

bool BoardServer::rewriteDatLine(const QString &board, const QString &key, int index,
                                 const QByteArray &line)
{
    return editDatLine(board, key, index,
                       [&line](QList<QByteArray> &lines, int at) { lines[at] = line; });
}

bool BoardServer::removeDatLine(const QString &board, const QString &key, int index)
{
    return editDatLine(board, key, index,
                       [](QList<QByteArray> &lines, int at) { lines.removeAt(at); });
}

bool BoardServer::editDatLine(const QString &board, const QString &key, int index,
                              const std::function<void(QList<QByteArray> &, int)> &edit)
{
    const auto it = m_dats.find(board + QLatin1Char('/') + key);
    if (it == m_dats.end())
        return false;
    QList<QByteArray> lines = it->split('\n');
    if (index < 0 || index >= lines.size() - 1)
        return false;
    edit(lines, index);
    *it = lines.join('\n');
    return true;
}

void BoardServer::setRentalThread(const QString &category, const QString &board, const QString &key,
                                  const QStringList &lines)
{
    m_rental.insert(category + QLatin1Char('/') + board + QLatin1Char('/') + key, lines);
}

void BoardServer::appendRentalLine(const QString &category, const QString &board,
                                   const QString &key, const QString &line)
{
    m_rental[category + QLatin1Char('/') + board + QLatin1Char('/') + key].append(line);
}

bool BoardServer::rewriteRentalLine(const QString &category, const QString &board,
                                    const QString &key, int index, const QString &line)
{
    const auto it = m_rental.find(category + QLatin1Char('/') + board + QLatin1Char('/') + key);
    if (it == m_rental.end() || index < 0 || index >= it->size())
        return false;
    (*it)[index] = line;
    return true;
}

QStringList BoardServer::rentalLines(const QString &category, const QString &board,
                                     const QString &key) const
{
    return m_rental.value(category + QLatin1Char('/') + board + QLatin1Char('/') + key);
}

void BoardServer::acceptConnections()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        auto *c = new Connection;
        c->socket = socket;
        socket->setParent(c);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_connections.append(c);
        connect(socket, &QTcpSocket::readyRead, c, [this, c] { readRequest(c); });
        connect(socket, &QTcpSocket::disconnected, c, [this, c] {
            m_connections.removeOne(c);
            c->deleteLater();
        });
        if (socket->bytesAvailable() > 0)
            readRequest(c);
    }
}

void BoardServer::readRequest(Connection *c)
{
    c->input += c->socket->readAll();
    if (c->answered)
        return;
    const qsizetype end = c->input.indexOf("\r\n\r\n");
    if (end < 0) {
        if (c->input.size() > kMaxRequest) {
            c->answered = true;
            c->chunks = {
                QByteArrayLiteral("HTTP/1.1 400 Bad Request\r\nConnection: close\r\n\r\n")};
            sendNext(c);
        }
        return;
    }
    Request request;
    request.head = c->input.left(end);
    const QList<QByteArray> words = request.head.left(request.head.indexOf("\r\n")).split(' ');
    request.method = words.value(0);
    request.path = words.value(1);
    if (request.method == "POST") {
        // The form follows the header; wait for as many bytes as announced (bounded).
        const qsizetype length =
            std::min<qsizetype>(request.header("Content-Length").toLongLong(), kMaxRequest);
        if (c->input.size() - end - 4 < length)
            return;
        request.body = c->input.mid(end + 4, std::max<qsizetype>(length, 0));
    }
    c->answered = true;
    m_requests.append(request);
    emit requestReceived(request);

    const QByteArray response = answer(request);
    send(c, response, response.indexOf("\r\n\r\n") + 4);
}

void BoardServer::setPicture(const QString &path, const QByteArray &bytes)
{
    static const QPair<const char *, const char *> types[] = {
        {".png", "image/png"}, {".jpg", "image/jpeg"}, {".jpeg", "image/jpeg"},
        {".gif", "image/gif"}, {".bmp", "image/bmp"},  {".html", "text/html"}};
    // Typed by the path without its query, so "/a.html?.jpg" is a page posing as a picture.
    const QString file = path.left(path.indexOf(QLatin1Char('?')));
    QByteArray type = QByteArrayLiteral("application/octet-stream");
    for (const auto &t : types) {
        if (file.endsWith(QLatin1String(t.first), Qt::CaseInsensitive))
            type = t.second;
    }
    m_pictures.insert(path, {type, bytes});
}

namespace {

// /bbs/rawmode.cgi/CATEGORY/BOARD/KEY/FROM-TO of a known thread, in EUC-JP.
Reply rawModeReply(const QStringList &lines, const QRegularExpressionMatch &m)
{
    const int from = m.captured(4).isEmpty() ? 1 : m.captured(4).toInt();
    int to = int(lines.size());
    if (!m.captured(6).isEmpty())
        to = m.captured(6).toInt();
    else if (m.captured(5).isEmpty() && !m.captured(4).isEmpty())
        to = from;
    QString text;
    for (int n = std::max(from, 1); n <= std::min(to, int(lines.size())); ++n)
        text += lines.at(n - 1) + QLatin1Char('\n');
    Reply reply;
    reply.contentType = QByteArrayLiteral("text/plain; charset=EUC-JP");
    reply.body = Codec::toEuc(text);
    // The raw-mode script writes as it goes, without announcing a length.
    reply.withLength = false;
    return reply;
}

// A data file, whole or from a "Range: bytes=N-" on (416 past its end).
Reply datReply(const QByteArray &file, const QByteArray &rangeHeader,
               const BoardServer::Behaviour &behaviour)
{
    const qint64 size = file.size();
    Reply reply;
    static const QRegularExpression rangeForm(QStringLiteral("^bytes=(\\d+)-$"));
    const QRegularExpressionMatch range = rangeForm.match(QString::fromLatin1(rangeHeader));
    if (!range.hasMatch() || behaviour.ignoreRange) {
        reply.body = file;
        return reply;
    }
    if (range.captured(1).toLongLong() >= size) {
        reply.status = QByteArrayLiteral("HTTP/1.1 416 Requested Range Not Satisfiable");
        reply.contentType = QByteArrayLiteral("text/html");
        reply.extraHeaders = "Content-Range: bytes */" + QByteArray::number(size) + "\r\n";
        reply.body =
            QByteArrayLiteral("<html><body>416 Requested Range Not Satisfiable</body></html>\n");
        return reply;
    }
    const qint64 shifted = behaviour.rangeFrom;
    const qint64 from = shifted >= 0 && shifted < size ? shifted : range.captured(1).toLongLong();
    reply.status = QByteArrayLiteral("HTTP/1.1 206 Partial Content");
    reply.extraHeaders = "Content-Range: bytes " + QByteArray::number(from) + '-' +
                         QByteArray::number(size - 1) + '/' + QByteArray::number(size) + "\r\n";
    reply.body = file.mid(from);
    return reply;
}

// Whether a thread ("board/key", "category/board/key") shows in its board's list yet.
using Listed = std::function<bool(const QString &)>;

// A rental board's subject.txt: its threads under `prefix`, the first repeated at the end.
Reply rentalSubjectReply(const QHash<QString, QStringList> &rental, const QString &prefix,
                         const Listed &listed)
{
    QString text;
    QString first;
    for (auto it = rental.cbegin(); it != rental.cend(); ++it) {
        if (!it.key().startsWith(prefix) || it->isEmpty() || !listed(it.key()))
            continue;
        const QString line = it.key().mid(prefix.size()) + QStringLiteral(".cgi,") +
                             titleOf(it->first(), 5) + QLatin1Char('(') +
                             QString::number(it->size()) + QStringLiteral(")\n");
        if (first.isEmpty())
            first = line;
        text += line;
    }
    // The rental board repeats its first thread on a last line.
    text += first;
    Reply reply;
    reply.contentType = QByteArrayLiteral("text/plain; charset=EUC-JP");
    reply.body = Codec::toEuc(text);
    return reply;
}

// A 2channel-style board's subject.txt: its threads under `prefix`; 404 without any.
Reply subjectReply(const QHash<QString, QByteArray> &dats, const QString &prefix,
                   const Listed &listed)
{
    QString text;
    for (auto it = dats.cbegin(); it != dats.cend(); ++it) {
        if (!it.key().startsWith(prefix) ||
            it.key().mid(prefix.size()).contains(QLatin1Char('/')) || !listed(it.key()))
            continue;
        const QStringList lines = splitLines(*it);
        text += it.key().mid(prefix.size()) + QStringLiteral(".dat<>") +
                titleOf(lines.value(0), 4) + QStringLiteral(" (") + QString::number(lines.size()) +
                QStringLiteral(")\n");
    }
    if (text.isEmpty())
        return notFound();
    Reply reply;
    reply.body = Codec::toSjis(text);
    return reply;
}

// A thread's read.cgi page, as plain as the board's own.
Reply readCgiReply(const QByteArray &dat)
{
    const QStringList lines = splitLines(dat);
    const QString title = titleOf(lines.value(0), 4);
    QString html = QStringLiteral("<html><head><meta http-equiv=\"Content-Type\" "
                                  "content=\"text/html; charset=Shift_JIS\"><title>") +
                   htmlEscaped(title) + QStringLiteral("</title></head><body><h1>") +
                   htmlEscaped(title) + QStringLiteral("</h1><dl>\n");
    for (int i = 0; i < lines.size(); ++i) {
        const QStringList f = lines.at(i).split(QStringLiteral("<>"));
        html += QStringLiteral("<dt>") + QString::number(i + 1) + QStringLiteral(" ：") +
                f.value(0) + QStringLiteral("：") + f.value(2) + QStringLiteral("</dt><dd>") +
                f.value(3) + QStringLiteral("</dd>\n");
    }
    html += QStringLiteral("</dl></body></html>\n");
    Reply reply;
    reply.contentType = QByteArrayLiteral("text/html; charset=Shift_JIS");
    reply.body = Codec::toSjis(html);
    return reply;
}

// The reply with its header, as the behaviour wants it.
QByteArray withHeader(const Reply &reply, const BoardServer::Behaviour &b)
{
    const QByteArray status = b.statusLine.isEmpty() ? reply.status : b.statusLine;
    if (b.statusOnly)
        return status + "\r\n\r\n" + reply.body;
    QByteArray head = status + "\r\n";
    head += "Server: sazanami-board\r\n";
    head += "Content-Type: " + reply.contentType + "\r\n";
    head += reply.extraHeaders;
    const qint64 length = b.announcedLength >= 0 ? b.announcedLength : reply.body.size();
    if ((reply.withLength || b.announcedLength >= 0) && !b.omitContentLength)
        head += "Content-Length: " + QByteArray::number(length) + "\r\n";
    head += "Connection: close\r\n\r\n";
    return head + reply.body;
}

} // namespace

QByteArray BoardServer::answer(const Request &request)
{
    QString path = QString::fromLatin1(request.path);
    // A request line in absolute form ("POST http://host/test/bbs.cgi") names the path after the
    // host.
    if (path.startsWith(QLatin1String("http://")) || path.startsWith(QLatin1String("https://")))
        path = path.mid(path.indexOf(QLatin1Char('/'), path.indexOf(QLatin1String("//")) + 2));
    Reply reply = notFound();

    static const QRegularExpression rawMode(
        QStringLiteral("^/bbs/rawmode\\.cgi/([^/]+)/([^/]+)/([^/]+)/(\\d*)(-?)(\\d*)$"));
    static const QRegularExpression datFile(QStringLiteral("^/(.+)/dat/([^/]+)\\.dat$"));
    static const QRegularExpression rentalSubject(
        QStringLiteral("^(?:/bbs)?/([^/]+)/([^/]+)/subject\\.txt$"));
    static const QRegularExpression subject(QStringLiteral("^/(.+)/subject\\.txt$"));
    static const QRegularExpression readCgi(
        QStringLiteral("^/(?:(.+)/)?test/read\\.cgi/([^/]+)/([^/]+)/?"));

    QRegularExpressionMatch m;
    QString rentalBoard; // "CATEGORY/BOARD/" of a rental board's subject.txt
    const auto isRentalBoard = [this](const QString &prefix) {
        return std::any_of(m_rental.keyBegin(), m_rental.keyEnd(),
                           [&prefix](const QString &k) { return k.startsWith(prefix); });
    };
    const Listed listed = [this](const QString &thread) { return isListed(thread); };
    if (request.method == "POST" &&
        (path == QLatin1String("/test/bbs.cgi") || path == QLatin1String("/bbs/write.cgi"))) {
        const bool rental = path == QLatin1String("/bbs/write.cgi");
        const PostReply post = takePost(request, rental);
        reply = Reply();
        reply.contentType = rental ? QByteArrayLiteral("text/html; charset=EUC-JP")
                                   : QByteArrayLiteral("text/html; charset=Shift_JIS");
        reply.extraHeaders = post.cookies;
        reply.body = rental ? Codec::toEuc(post.html) : Codec::toSjis(post.html);
        // The board's script writes its page as it goes, without announcing a length.
        reply.withLength = false;
    } else if (const auto picture = m_pictures.constFind(path); picture != m_pictures.constEnd()) {
        reply = Reply();
        reply.contentType = picture->first;
        reply.body = picture->second;
    } else if ((m = rawMode.match(path)).hasMatch()) {
        const QString id =
            m.captured(1) + QLatin1Char('/') + m.captured(2) + QLatin1Char('/') + m.captured(3);
        if (m_rental.contains(id)) {
            reply = rawModeReply(m_rental[id], m);
            if (m_stopped.contains(id))
                reply.extraHeaders = "ERROR: STORAGE IN\r\n";
        }
    } else if ((m = datFile.match(path)).hasMatch()) {
        const QString id = m.captured(1) + QLatin1Char('/') + m.captured(2);
        if (m_dats.contains(id))
            reply = datReply(m_dats[id], request.header("Range"), m_behaviour);
    } else if ((m = rentalSubject.match(path)).hasMatch() &&
               isRentalBoard(rentalBoard = m.captured(1) + QLatin1Char('/') + m.captured(2) +
                                           QLatin1Char('/'))) {
        reply = rentalSubjectReply(m_rental, rentalBoard, listed);
    } else if ((m = subject.match(path)).hasMatch()) {
        reply = subjectReply(m_dats, m.captured(1) + QLatin1Char('/'), listed);
    } else if ((m = readCgi.match(path)).hasMatch()) {
        QString board = m.captured(2);
        if (!m.captured(1).isEmpty())
            board = m.captured(1) + QLatin1Char('/') + board;
        const QString id = board + QLatin1Char('/') + m.captured(3);
        if (m_dats.contains(id))
            reply = readCgiReply(m_dats[id]);
    }
    return withHeader(reply, m_behaviour);
}

void BoardServer::send(Connection *c, QByteArray response, qsizetype headerSize)
{
    const Behaviour &b = m_behaviour;
    if (b.endlessLines) {
        // A partial answer keeps its first byte, the old end's LF, so the endless lines pass
        // for new posts.
        const bool partial = response.startsWith("HTTP/1.1 206");
        response.truncate(headerSize + (partial ? 1 : 0));
        c->endless = true;
    }
    if (b.closeAfter >= 0 && b.closeAfter < response.size()) {
        response.truncate(b.closeAfter);
        c->early = true;
    }
    if (b.stallAfter >= 0 && b.stallAfter < response.size()) {
        response.truncate(b.stallAfter);
        c->stall = true;
    }
    QVector<qint64> cuts = b.splitAt;
    if (b.headerAlone)
        cuts.append(headerSize);
    if (b.trickleMs > 0) {
        for (qint64 at = headerSize; at < response.size(); ++at)
            cuts.append(at);
    }
    std::sort(cuts.begin(), cuts.end());
    qint64 start = 0;
    for (qint64 cut : std::as_const(cuts)) {
        if (cut <= start || cut >= response.size())
            continue;
        c->chunks.append(response.mid(start, cut - start));
        start = cut;
    }
    c->chunks.append(response.mid(start));
    if (b.silentMs < 0)
        return; // the request is never answered; the client gives up or closes
    c->gap = b.trickleMs > 0 ? b.trickleMs : b.chunkGapMs;
    c->reset = b.resetAtClose && c->early;
    QTimer::singleShot(b.silentMs, c, [this, c] { sendNext(c); });
}

void BoardServer::sendNext(Connection *c)
{
    if (!c->chunks.isEmpty()) {
        c->socket->write(c->chunks.takeFirst());
        c->socket->flush();
    }
    if (c->chunks.isEmpty()) {
        if (c->endless) {
            connect(c->socket, &QTcpSocket::bytesWritten, c, [this, c] { pumpEndless(c); });
            pumpEndless(c);
        } else if (!c->stall) {
            finish(c, c->reset);
        }
        return;
    }
    QTimer::singleShot(c->gap, c, [this, c] { sendNext(c); });
}

void BoardServer::pumpEndless(Connection *c)
{
    static const QByteArray block = [] {
        QByteArray lines;
        for (int i = 0; i < 1000; ++i)
            lines += "endless<><>2023/11/15 ID:endless<> again <>\n";
        return lines;
    }();
    // Kept a little ahead of the client, so the server's memory stays small.
    while (c->socket->bytesToWrite() < 4 * block.size()) {
        if (c->endlessSent >= kEndlessBound) {
            c->endless = false;
            finish(c, false);
            return;
        }
        c->socket->write(block);
        c->endlessSent += block.size();
    }
}

void BoardServer::finish(Connection *c, bool reset)
{
#ifdef Q_OS_UNIX
    const int fd = int(c->socket->socketDescriptor());
    if (m_tls && m_behaviour.tlsGarbageAtEnd && fd >= 0) {
        // Written beside the TLS layer: the client's next record is broken.
        c->socket->flush();
        static const char junk[] = "\x17\x03\x03\x00\x20this is not an encrypted record!";
        const ssize_t written = ::send(fd, junk, sizeof junk - 1, MSG_NOSIGNAL);
        Q_UNUSED(written)
        QTimer::singleShot(500, c, [c] { c->socket->abort(); });
        return;
    }
    if (reset && fd >= 0) {
        // A zero linger time makes closing send a reset instead of a FIN.
        c->socket->flush();
        linger off{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &off, sizeof off);
        c->socket->abort();
        return;
    }
#else
    Q_UNUSED(reset)
#endif
    c->socket->disconnectFromHost();
}

void BoardServer::startDemo(int posts, int intervalMs, quint32 seed)
{
    m_demo = std::make_unique<DemoPosts>(seed);
    m_demoInterval = intervalMs;
    m_demoThread = QLatin1String(kDemoKey);
    m_demoNext.clear();
    m_demoPart = 1;
    const QString board = QLatin1String(kDemoBoard);
    setDat(board, m_demoThread, QByteArray());
    setRentalThread(board, QStringLiteral("1"), m_demoThread, {});
    // Decoys for the next-thread search: an older thread under the next part's title, and a
    // newer one of another series.
    const QDateTime now = QDateTime::currentDateTime();
    const std::pair<qint64, QString> decoys[] = {
        {1699990000, QStringLiteral("【デモ】sazanami 実況テスト用スレ Part2")},
        {1700000500, QStringLiteral("【雑談】デモ板の雑談スレ Part2")},
    };
    for (const auto &[key, title] : decoys) {
        const DemoPosts::Post post = m_demo->make(1, now, QString());
        appendDat(board, QString::number(key),
                  Codec::toSjis(DemoPosts::datLine(post, title) + QLatin1Char('\n')));
        appendRentalLine(board, QStringLiteral("1"), QString::number(key),
                         DemoPosts::rentalLine(1, post, title));
    }
    // The posts that are already there were written over the last few minutes.
    for (int i = 0; i < posts; ++i)
        addDemoPostAt(now.addSecs(-20 * (posts - i)));
    scheduleDemo();
}

void BoardServer::addDemoPost()
{
    addDemoPostAt(QDateTime::currentDateTime());
}

void BoardServer::addDemoPostAt(const QDateTime &when)
{
    if (!m_demo)
        return;
    const QString board = QLatin1String(kDemoBoard);
    // Posts written through the forms count in the thread's numbering too.
    const int number = int(rentalLines(board, QStringLiteral("1"), m_demoThread).size()) + 1;
    if (number >= kDemoLinkAt && m_demoNext.isEmpty()) {
        // Someone makes the next thread and says so.
        m_demoNext = QString::number(
            std::max(QDateTime::currentSecsSinceEpoch(), m_demoThread.toLongLong() + 1000));
        listThreadAfter(board + QLatin1Char('/') + m_demoNext, -1);
        listThreadAfter(board + QStringLiteral("/1/") + m_demoNext, -1);
        writeDemoPost(m_demoNext, m_demoPart + 1, when,
                      QStringLiteral("実況テスト用スレの続きです <br> 前スレ %1"));
        writeDemoPost(m_demoThread, m_demoPart, when, QStringLiteral("次スレ %2"));
    } else {
        writeDemoPost(m_demoThread, m_demoPart, when);
        // Some viewers are in the next thread before this one ends.
        if (!m_demoNext.isEmpty())
            writeDemoPost(m_demoNext, m_demoPart + 1, when);
    }
    emit demoPostAdded(number);
    if (number < 1000)
        return;
    stopDat(board, m_demoThread);
    stopRentalThread(board, QStringLiteral("1"), m_demoThread);
    listThreadAfter(board + QLatin1Char('/') + m_demoNext, kDemoListDelayMs);
    listThreadAfter(board + QStringLiteral("/1/") + m_demoNext, kDemoListDelayMs);
    m_demoThread = std::exchange(m_demoNext, QString());
    ++m_demoPart;
}

void BoardServer::writeDemoPost(const QString &key, int part, const QDateTime &when,
                                const QString &message)
{
    const QString board = QLatin1String(kDemoBoard);
    const int number = int(rentalLines(board, QStringLiteral("1"), key).size()) + 1;
    const QString title = number == 1 ? QStringLiteral("【デモ】sazanami 実況テスト用スレ Part") +
                                            QString::number(part)
                                      : QString();
    const QString datPath =
        QStringLiteral("../test/read.cgi/") + board + QLatin1Char('/') + key + QLatin1Char('/');
    DemoPosts::Post post =
        m_demo->make(number, when, m_behaviour.plainAnchors ? QString() : datPath);
    // %1: the thread before this one, %2: the next one, each as its board would be reached.
    const auto filled = [&](bool rental) {
        if (message.isEmpty())
            return post;
        DemoPosts::Post p = post;
        p.message = QString(message)
                        .replace(QLatin1String("%1"), demoAddress(m_demoThread, rental))
                        .replace(QLatin1String("%2"), demoAddress(m_demoNext, rental));
        return p;
    };
    appendDat(board, key,
              Codec::toSjis(DemoPosts::datLine(filled(false), title) + QLatin1Char('\n')));
    appendRentalLine(board, QStringLiteral("1"), key,
                     DemoPosts::rentalLine(number, filled(true), title));
}

QString BoardServer::demoAddress(const QString &key, bool rental) const
{
    if (rental)
        return QStringLiteral("https://jbbs.shitaraba.net/bbs/read.cgi/") +
               QLatin1String(kDemoBoard) + QStringLiteral("/1/") + key + QLatin1Char('/');
    return origin() + QStringLiteral("/test/read.cgi/") + QLatin1String(kDemoBoard) +
           QLatin1Char('/') + key + QLatin1Char('/');
}

void BoardServer::scheduleDemo()
{
    if (m_demoInterval <= 0)
        return;
    // Half to one and a half times the interval, so that posts do not come like a clock.
    const int half = m_demoInterval / 2;
    const int next = half + int(QRandomGenerator::global()->bounded(m_demoInterval + 1));
    m_demoTimer.start(next);
}

QString BoardServer::demoThreadUrl() const
{
    return demoAddress(QLatin1String(kDemoKey), false);
}

void BoardServer::stopDat(const QString &board, const QString &key)
{
    appendDat(board, key,
              Codec::toSjis(QStringLiteral("１００１<><>Over 1000 Thread<> このスレッドは１０００を"
                                           "超えました。 <br> 新しいスレッドを立ててください。 "
                                           "<>\n")));
    m_stopped.insert(board + QLatin1Char('/') + key);
}

void BoardServer::stopRentalThread(const QString &category, const QString &board,
                                   const QString &key)
{
    m_stopped.insert(category + QLatin1Char('/') + board + QLatin1Char('/') + key);
}

void BoardServer::listThreadAfter(const QString &thread, int ms)
{
    m_unlisted.insert(thread,
                      ms < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(ms));
}

bool BoardServer::isListed(const QString &thread) const
{
    const auto it = m_unlisted.constFind(thread);
    return it == m_unlisted.cend() || it->hasExpired();
}

BoardServer::PostReply BoardServer::errorPage(const QString &reason)
{
    return PostReply{postPage(QStringLiteral("ＥＲＲＯＲ！"),
                              QStringLiteral("<b>ＥＲＲＯＲ：") + reason +
                                  QStringLiteral("</b><br>ホストに戻ってください")),
                     {}};
}

// Like the deployed board software: nothing is written until the cookies come back.
std::optional<BoardServer::PostReply> BoardServer::confirmation(const Request &request,
                                                                const QString &name,
                                                                const QString &mail,
                                                                bool rental) const
{
    const QList<QByteArray> keys = cookieKeys(request.header("Cookie"));
    const bool cookiesBack =
        keys.contains("NAME") && keys.contains("MAIL") &&
        (m_behaviour.confirmCookie.isEmpty() || keys.contains(m_behaviour.confirmCookie));
    if (cookiesBack && !m_behaviour.confirmAlways)
        return std::nullopt;
    const auto encode = [rental](const QString &text) {
        return (rental ? Codec::toEuc(text) : Codec::toSjis(text)).toPercentEncoding();
    };
    QByteArray cookies = "Set-Cookie: NAME=" + encode(name) + "; path=/\r\n" +
                         "Set-Cookie: MAIL=" + encode(mail) + "; path=/\r\n";
    if (!m_behaviour.confirmCookie.isEmpty())
        cookies += "Set-Cookie: " + m_behaviour.confirmCookie + "=1; path=/\r\n";
    return PostReply{postPage(QStringLiteral("■ 書き込み確認 ■"),
                              QStringLiteral("<b>書き込み確認します。</b><br>投稿者は、"
                                             "投稿に関して発生する責任が全て投稿者に帰すことを"
                                             "承諾します。")),
                     cookies};
}

BoardServer::PostReply BoardServer::takePost(const Request &request, bool rental)
{
    const QHash<QString, QString> form = parseForm(request.body, rental);
    const auto field = [&form, rental](const char *twoChannel, const char *rentalName) {
        return form.value(QLatin1String(rental ? rentalName : twoChannel));
    };
    if (!m_behaviour.postError.isEmpty())
        return errorPage(m_behaviour.postError);

    const QString name = field("FROM", "NAME");
    const QString mail = field("mail", "MAIL");
    if (const std::optional<PostReply> confirm = confirmation(request, name, mail, rental))
        return *confirm;

    const QString message = form.value(QStringLiteral("MESSAGE"));
    const bool newThread = form.contains(QLatin1String(rental ? "SUBJECT" : "subject"));
    const QString subject = field("subject", "SUBJECT");
    const QString board =
        rental ? field("DIR", "DIR") + QLatin1Char('/') + field("BBS", "BBS") : field("bbs", "bbs");
    if (message.trimmed().isEmpty())
        return errorPage(QStringLiteral("本文がありません！"));
    if (newThread && subject.trimmed().isEmpty())
        return errorPage(QStringLiteral("サブジェクトが存在しません！"));

    const QString prefix = board + QLatin1Char('/');
    const auto onBoard = [&prefix](const QString &k) { return k.startsWith(prefix); };
    const bool boardKnown = rental ? std::any_of(m_rental.keyBegin(), m_rental.keyEnd(), onBoard)
                                   : std::any_of(m_dats.keyBegin(), m_dats.keyEnd(), onBoard);
    QString key = field("key", "KEY");
    if (newThread) {
        if (!boardKnown)
            return errorPage(QStringLiteral("板がありません！"));
        qint64 k = QDateTime::currentSecsSinceEpoch();
        while (m_dats.contains(prefix + QString::number(k)) ||
               m_rental.contains(prefix + QString::number(k)))
            ++k;
        key = QString::number(k);
    } else if (!(rental ? m_rental.contains(prefix + key) : m_dats.contains(prefix + key))) {
        return errorPage(QStringLiteral("該当するスレッドがありません！"));
    } else if (m_stopped.contains(prefix + key)) {
        return errorPage(QStringLiteral("このスレッドは停止されています。もう書けない。"));
    }

    DemoPosts::Post post;
    post.name = name.isEmpty() ? QStringLiteral("名無しさん") : boardEscaped(name);
    post.mail = boardEscaped(mail);
    post.date = DemoPosts::dateText(QDateTime::currentDateTime());
    post.id = QString::number(QRandomGenerator::global()->bounded(0x10000000), 36);
    post.message = boardEscaped(message);
    if (!m_behaviour.plainAnchors)
        post.message = linkedAnchors(post.message, (rental ? QStringLiteral("/bbs/read.cgi/")
                                                           : QStringLiteral("../test/read.cgi/")) +
                                                       prefix + key + QLatin1Char('/'));
    const QString title = newThread ? boardEscaped(subject) : QString();
    if (rental) {
        const int number = int(m_rental.value(prefix + key).size()) + 1;
        m_rental[prefix + key].append(DemoPosts::rentalLine(number, post, title));
    } else {
        m_dats[prefix + key] += Codec::toSjis(DemoPosts::datLine(post, title) + QLatin1Char('\n'));
    }
    ++m_written;
    return PostReply{postPage(QStringLiteral("書きこみました。"),
                              QStringLiteral("書きこみが終わりました。<br><br>"
                                             "画面を切り替えるまでしばらくお待ち下さい。")),
                     {}};
}
