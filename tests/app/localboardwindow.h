#pragma once

#include "app/mainwindowparts.h"
#include "boardserver.h"
#include "platform/boardsocket.h"
#include "platform/codec.h"
#include "support/testhome.h"

#include <QProcess>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QtTest>

// A line of a 2channel-style thread as the board stores it.
inline QByteArray datLine(const QString &id, const QString &message, const QString &mail = {},
                          const QString &name = QStringLiteral("名無し"), const QString &title = {})
{
    return Codec::toSjis(name + "<>" + mail + "<>2026/12/06(日) 21:00:00.00 ID:" + id + "<> " +
                         message + " <>" + title + "\n");
}

// The real main window following a thread of a board on 127.0.0.1, in a throw-away folder.
struct LocalBoardWindow
{
    inline static const QString board = QStringLiteral("live");
    inline static const QString key = QStringLiteral("1234567890");

    ~LocalBoardWindow()
    {
        if (window)
            window->close();
        window.reset();
        BoardSocket::resetTestHooks();
    }

    QString address() const { return threadAddress(server.origin(), board, key); }
    void setThread(const QByteArray &dat) { server.setDat(board, key, dat); }
    void append(const QByteArray &lines) { server.appendDat(board, key, lines); }

    // Starts the board (unless started) with the thread and the window on its address, loaded
    // when asked.
    bool open(const QByteArray &dat, bool load = true)
    {
        if (server.port() == 0 && !server.listen())
            return false;
        setThread(dat);
        window = std::make_unique<frmMain>(env.program);
        if (!window->Form_Load(QString()))
            return false;
        window->setAddressText(address());
        return !load || reload();
    }

    // Reloads and waits until this load has ended.
    bool reload()
    {
        window->mnuReload_Click();
        return !MainWindowParts::thread(window).Ready &&
               QTest::qWaitFor([this] { return MainWindowParts::thread(window).Ready; }, 15000);
    }

    QVariant evaluate(const QString &script) { return MainWindowParts::evaluate(window, script); }

    TestProgram env;
    BoardServer server;
    std::unique_ptr<frmMain> window;
};

// A board answering over TLS for the rental board's host, its certificate trusted by the
// program; the hooks go with the LocalBoardWindow.
struct RentalTlsBoard
{
    bool start()
    {
        const QString host = QStringLiteral("jbbs.shitaraba.net");
        const QString cert = dir.filePath(QStringLiteral("cert.pem"));
        const QString key = dir.filePath(QStringLiteral("key.pem"));
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out",
                       cert, "-days", "2", "-subj", "/CN=" + host, "-addext",
                       "subjectAltName=DNS:" + host});
        if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0 ||
            !server.listenTls(cert, key))
            return false;
        BoardSocket::addCaCertificates(QSslCertificate::fromPath(cert));
        BoardSocket::setHostOverride(host, QStringLiteral("127.0.0.1"), server.port());
        return true;
    }

    QTemporaryDir dir;
    BoardServer server;
};
