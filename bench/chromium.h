#pragma once

#include <QImage>
#include <QJsonObject>
#include <QObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QWebSocket>

// Debian's headless chromium driven over the DevTools protocol: one page with a transparent
// default background, its scripts and screenshots. Every wait is bounded; the browser and its
// helpers are killed with the object.
class HeadlessChromium : public QObject
{
    Q_OBJECT
public:
    ~HeadlessChromium() override;

    // Empty when chromium is not installed.
    static QString executable();
    // Starts the browser and opens a page of `viewport` CSS pixels at scale 1.
    bool start(QSize viewport, QString *error);
    // A DevTools command on the page; the reply's "result", or an empty object on timeout.
    QJsonObject call(const QString &method, const QJsonObject &params = {}, int timeoutMs = 10000);
    void navigate(const QString &url);
    // The value of a page expression (numbers, texts, booleans).
    QVariant evaluate(const QString &expression);
    QImage screenshot(const QRect &clip);

signals:
    // Every event of the page's session, e.g. "Runtime.bindingCalled".
    void event(const QString &method, const QJsonObject &params);

private:
    QJsonObject send(const QString &method, const QJsonObject &params, const QString &session,
                     int timeoutMs);
    void receive(const QString &message);

    QTemporaryDir m_profile;
    QProcess m_process;
    QWebSocket m_socket;
    QString m_session;
    int m_nextId = 1;
    QHash<int, QJsonObject> m_replies;
};
