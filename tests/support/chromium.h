#pragma once

#include <QImage>
#include <QWebSocket>
#include <QtCore>
#include <csignal>
#include <unistd.h>

// Debian's headless chromium driven over the DevTools protocol: one page with a transparent
// default background, its scripts and screenshots. Every wait is bounded; the browser and its
// helpers (its process group) are killed with the object.
class HeadlessChromium
{
public:
    ~HeadlessChromium()
    {
        if (m_process.processId() > 0 && ::kill(-pid_t(m_process.processId()), SIGKILL) == 0)
            m_process.waitForFinished(5000);
    }
    // Empty when chromium is not installed.
    static QString executable() { return QStandardPaths::findExecutable("chromium"); }

    // Runs the event loop until `done` or the time is up; a DevTools message wakes it at once.
    template<typename F> bool waitFor(F done, int timeoutMs)
    {
        for (QDeadlineTimer deadline(timeoutMs); !done() && !deadline.hasExpired();) {
            QEventLoop loop;
            QTimer::singleShot(10, &loop, &QEventLoop::quit);
            QObject::connect(&m_socket, &QWebSocket::textMessageReceived, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return done();
    }

    // Starts the browser on a page of `viewport` CSS pixels at scale 1.
    bool start(QSize viewport)
    {
        m_process.setArguments({"--headless=new", "--no-sandbox", "--disable-gpu",
                                "--remote-debugging-port=0", "--hide-scrollbars",
                                "--user-data-dir=" + m_profile.path(), "about:blank"});
        m_process.setChildProcessModifier([] { ::setsid(); });
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.start(executable(), m_process.arguments());
        QFile file(m_profile.filePath("DevToolsActivePort"));
        QStringList lines; // the port, then the browser's path
        waitFor(
            [&] {
                if (file.open(QIODevice::ReadOnly))
                    lines = QString(file.readAll()).split('\n', Qt::SkipEmptyParts);
                file.close();
                return lines.size() >= 2;
            },
            30000);
        QObject::connect(&m_socket, &QWebSocket::textMessageReceived, [this](const QString &t) {
            const QJsonObject message = QJsonDocument::fromJson(t.toUtf8()).object();
            m_replies.insert(message["id"].toInt(), message["result"].toObject());
            m_bindingCalls += message["method"] == "Runtime.bindingCalled";
        });
        m_socket.open(QUrl("ws://127.0.0.1:" + lines.value(0) + lines.value(1)));
        const QJsonValue target = call("Target.createTarget", {{"url", "about:blank"}})["targetId"];
        m_session =
            call("Target.attachToTarget", {{"targetId", target}, {"flatten", true}})["sessionId"]
                .toString();
        call("Runtime.enable");
        call("Emulation.setDefaultBackgroundColorOverride",
             {{"color", QJsonObject{{"r", 0}, {"g", 0}, {"b", 0}, {"a", 0}}}});
        call("Emulation.setDeviceMetricsOverride", {{"width", viewport.width()},
                                                    {"height", viewport.height()},
                                                    {"deviceScaleFactor", 1},
                                                    {"mobile", false}});
        return !m_session.isEmpty();
    }

    // A DevTools command (on the page once there is one); its result, empty on timeout.
    QJsonObject call(const QString &method, const QJsonObject &params = {})
    {
        const int id = m_nextId++;
        QJsonObject message{{"id", id}, {"method", method}, {"params", params}};
        if (!m_session.isEmpty())
            message["sessionId"] = m_session;
        waitFor([&] { return m_socket.state() == QAbstractSocket::ConnectedState; }, 10000);
        m_socket.sendTextMessage(QJsonDocument(message).toJson());
        waitFor([&] { return m_replies.contains(id); }, 10000);
        return m_replies.take(id);
    }
    void navigate(const QString &url) { call("Page.navigate", {{"url", url}}); }
    // The value of a page expression (numbers, texts, booleans).
    QVariant evaluate(const QString &expression)
    {
        return call("Runtime.evaluate",
                    {{"expression", expression}, {"returnByValue", true}})["result"]
            .toObject()["value"]
            .toVariant();
    }
    QImage screenshot()
    {
        const QString png = call("Page.captureScreenshot")["data"].toString();
        return QImage::fromData(QByteArray::fromBase64(png.toLatin1()))
            .convertToFormat(QImage::Format_ARGB32);
    }
    // How often the page called a binding added with Runtime.addBinding.
    int bindingCalls() const { return m_bindingCalls; }

private:
    QTemporaryDir m_profile;
    QProcess m_process;
    QWebSocket m_socket;
    QString m_session;
    int m_nextId = 1;
    int m_bindingCalls = 0;
    QHash<int, QJsonObject> m_replies;
};
