#include "chromium.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QTimer>
#include <csignal>
#include <unistd.h>

namespace {

// Runs the event loop until `done` or the time is up.
template<typename F> bool waitFor(F done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

} // namespace

HeadlessChromium::~HeadlessChromium()
{
    m_socket.abort();
    const qint64 pid = m_process.processId();
    if (pid > 0) {
        // The browser leads a process group of its own: its helpers go with it.
        ::kill(-pid_t(pid), SIGKILL);
        m_process.waitForFinished(5000);
    }
}

QString HeadlessChromium::executable()
{
    return QStandardPaths::findExecutable(QStringLiteral("chromium"));
}

bool HeadlessChromium::start(QSize viewport, QString *error)
{
    m_process.setProgram(executable());
    m_process.setArguments({"--headless=new", "--no-sandbox", "--disable-gpu",
                            "--remote-debugging-port=0", "--hide-scrollbars", "--no-first-run",
                            "--user-data-dir=" + m_profile.path(), "about:blank"});
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
    m_process.setChildProcessModifier([] { ::setsid(); });
    m_process.start();
    QFile portFile(m_profile.filePath(QStringLiteral("DevToolsActivePort")));
    QStringList lines;
    waitFor(
        [&] {
            if (portFile.open(QIODevice::ReadOnly)) {
                lines = QString::fromLatin1(portFile.readAll()).split('\n', Qt::SkipEmptyParts);
                portFile.close();
            }
            return lines.size() >= 2;
        },
        30000);
    if (lines.size() < 2) {
        *error = QStringLiteral("chromium did not open its DevTools port");
        return false;
    }
    connect(&m_socket, &QWebSocket::textMessageReceived, this, &HeadlessChromium::receive);
    m_socket.setMaxAllowedIncomingMessageSize(64 * 1024 * 1024);
    m_socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1%2").arg(lines[0], lines[1])));
    if (!waitFor([this] { return m_socket.state() == QAbstractSocket::ConnectedState; }, 10000)) {
        *error = QStringLiteral("no DevTools connection: ") + m_socket.errorString();
        return false;
    }
    const QString target =
        send("Target.createTarget", {{"url", "about:blank"}}, {}, 10000)["targetId"].toString();
    m_session = send("Target.attachToTarget", {{"targetId", target}, {"flatten", true}}, {},
                     10000)["sessionId"]
                    .toString();
    if (m_session.isEmpty()) {
        *error = QStringLiteral("no page session");
        return false;
    }
    call("Page.enable");
    call("Runtime.enable");
    call("Emulation.setDefaultBackgroundColorOverride",
         {{"color", QJsonObject{{"r", 0}, {"g", 0}, {"b", 0}, {"a", 0}}}});
    call("Emulation.setDeviceMetricsOverride", {{"width", viewport.width()},
                                                {"height", viewport.height()},
                                                {"deviceScaleFactor", 1},
                                                {"mobile", false}});
    return true;
}

QJsonObject HeadlessChromium::call(const QString &method, const QJsonObject &params, int timeoutMs)
{
    return send(method, params, m_session, timeoutMs);
}

QJsonObject HeadlessChromium::send(const QString &method, const QJsonObject &params,
                                   const QString &session, int timeoutMs)
{
    const int id = m_nextId++;
    QJsonObject message{{"id", id}, {"method", method}, {"params", params}};
    if (!session.isEmpty())
        message["sessionId"] = session;
    m_socket.sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson()));
    waitFor([&] { return m_replies.contains(id); }, timeoutMs);
    return m_replies.take(id)["result"].toObject();
}

void HeadlessChromium::receive(const QString &text)
{
    const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
    if (message.contains("id"))
        m_replies.insert(message["id"].toInt(), message);
    else
        emit event(message["method"].toString(), message["params"].toObject());
}

void HeadlessChromium::navigate(const QString &url)
{
    call("Page.navigate", {{"url", url}});
}

QVariant HeadlessChromium::evaluate(const QString &expression)
{
    return call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}})["result"]
        .toObject()["value"]
        .toVariant();
}

QImage HeadlessChromium::screenshot(const QRect &clip)
{
    const QJsonObject area{{"x", clip.x()},
                           {"y", clip.y()},
                           {"width", clip.width()},
                           {"height", clip.height()},
                           {"scale", 1}};
    const QByteArray png = QByteArray::fromBase64(
        call("Page.captureScreenshot", {{"format", "png"}, {"clip", area}})["data"]
            .toString()
            .toLatin1());
    return QImage::fromData(png, "PNG").convertToFormat(QImage::Format_ARGB32);
}
