// board-server: a local bulletin board on 127.0.0.1 for trying sazanami without a real board.

#include "boardserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("board-server"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A local bulletin board on 127.0.0.1. It serves 2channel-style data files\n"
        "(/BOARD/dat/KEY.dat with byte ranges, /BOARD/subject.txt) and rental-board raw-mode\n"
        "output (/bbs/rawmode.cgi/CATEGORY/BOARD/KEY/N-, EUC-JP). With --demo it grows a thread\n"
        "whose page address is http://127.0.0.1:PORT/test/read.cgi/demo/1700000000/."));
    parser.addHelpOption();
    const QCommandLineOption demo(QStringLiteral("demo"),
                                  QStringLiteral("Serve the growing demo thread."));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Port to listen on; 0 picks a free one."),
                                  QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption portFile(QStringLiteral("port-file"),
                                      QStringLiteral("Write the port number to this file."),
                                      QStringLiteral("file"));
    const QCommandLineOption posts(QStringLiteral("posts"),
                                   QStringLiteral("Posts of the demo thread at start (30)."),
                                   QStringLiteral("n"), QStringLiteral("30"));
    const QCommandLineOption interval(
        QStringLiteral("interval"),
        QStringLiteral("Mean milliseconds between new demo posts (4000); 0 keeps it still."),
        QStringLiteral("ms"), QStringLiteral("4000"));
    const QCommandLineOption seed(QStringLiteral("seed"),
                                  QStringLiteral("Seed of the demo posts (1)."),
                                  QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption dat(
        QStringLiteral("dat"),
        QStringLiteral("Serve a Shift_JIS data file as /BOARD/dat/KEY.dat (BOARD/KEY=FILE; "
                       "repeatable)."),
        QStringLiteral("board/key=file"));
    const QCommandLineOption cert(QStringLiteral("tls-cert"),
                                  QStringLiteral("Serve HTTPS with this PEM certificate."),
                                  QStringLiteral("file"));
    const QCommandLineOption key(QStringLiteral("tls-key"),
                                 QStringLiteral("PEM private key for --tls-cert."),
                                 QStringLiteral("file"));
    const QCommandLineOption plainAnchors(
        QStringLiteral("plain-anchors"),
        QStringLiteral("Store reply anchors as plain &gt;&gt;N, as the Perl board software most\n"
                       "external boards run does (default: links, as 2channel writes them)."));
    parser.addOptions({demo, port, portFile, posts, interval, seed, dat, cert, key, plainAnchors});
    parser.process(app);

    QTextStream err(stderr);
    bool ok = false;
    const uint portNumber = parser.value(port).toUInt(&ok);
    if (!ok || portNumber > 65535) {
        err << "board-server: bad --port\n";
        return 2;
    }

    BoardServer server;
    BoardServer::Behaviour behaviour;
    behaviour.plainAnchors = parser.isSet(plainAnchors);
    server.setBehaviour(behaviour);
    for (const QString &entry : parser.values(dat)) {
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        const QString where = entry.left(eq);
        const qsizetype slash = where.lastIndexOf(QLatin1Char('/'));
        QFile file(entry.mid(eq + 1));
        if (eq < 0 || slash <= 0 || !file.open(QIODevice::ReadOnly)) {
            err << "board-server: cannot serve --dat " << entry << "\n";
            return 2;
        }
        server.setDat(where.left(slash), where.mid(slash + 1), file.readAll());
    }

    const bool tls = parser.isSet(cert) || parser.isSet(key);
    if (tls && !(parser.isSet(cert) && parser.isSet(key))) {
        err << "board-server: --tls-cert and --tls-key go together\n";
        return 2;
    }
    const bool listening =
        tls ? server.listenTls(parser.value(cert), parser.value(key), quint16(portNumber))
            : server.listen(quint16(portNumber));
    if (!listening) {
        err << "board-server: " << server.errorString() << "\n";
        return 1;
    }

    if (parser.isSet(demo))
        server.startDemo(parser.value(posts).toInt(), parser.value(interval).toInt(),
                         parser.value(seed).toUInt());

    if (parser.isSet(portFile)) {
        QSaveFile file(parser.value(portFile));
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(QByteArray::number(server.port()) + '\n') < 0 || !file.commit()) {
            err << "board-server: cannot write " << parser.value(portFile) << "\n";
            return 1;
        }
    }

    QTextStream out(stdout);
    out << "board-server: listening on " << server.origin() << "\n";
    if (parser.isSet(demo))
        out << "board-server: demo thread " << server.demoThreadUrl() << "\n";
    out.flush();
    return app.exec();
}
