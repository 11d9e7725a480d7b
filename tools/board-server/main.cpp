// board-server: a local bulletin board on 127.0.0.1 for trying sazanami without a real board.

#include "boardserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

namespace {

// The command line's options.
struct Options
{
    QCommandLineOption demo{QStringLiteral("demo"),
                            QStringLiteral("Serve the growing demo thread.")};
    QCommandLineOption port{QStringLiteral("port"),
                            QStringLiteral("Port to listen on; 0 picks a free one."),
                            QStringLiteral("port"), QStringLiteral("0")};
    QCommandLineOption portFile{QStringLiteral("port-file"),
                                QStringLiteral("Write the port number to this file."),
                                QStringLiteral("file")};
    QCommandLineOption posts{QStringLiteral("posts"),
                             QStringLiteral("Posts of the demo thread at start (30)."),
                             QStringLiteral("n"), QStringLiteral("30")};
    QCommandLineOption interval{
        QStringLiteral("interval"),
        QStringLiteral("Mean milliseconds between new demo posts (4000); 0 keeps it still."),
        QStringLiteral("ms"), QStringLiteral("4000")};
    QCommandLineOption seed{QStringLiteral("seed"), QStringLiteral("Seed of the demo posts (1)."),
                            QStringLiteral("n"), QStringLiteral("1")};
    QCommandLineOption dat{
        QStringLiteral("dat"),
        QStringLiteral("Serve a Shift_JIS data file as /BOARD/dat/KEY.dat (BOARD/KEY=FILE; "
                       "repeatable)."),
        QStringLiteral("board/key=file")};
    QCommandLineOption cert{QStringLiteral("tls-cert"),
                            QStringLiteral("Serve HTTPS with this PEM certificate."),
                            QStringLiteral("file")};
    QCommandLineOption key{QStringLiteral("tls-key"),
                           QStringLiteral("PEM private key for --tls-cert."),
                           QStringLiteral("file")};
    QCommandLineOption plainAnchors{
        QStringLiteral("plain-anchors"),
        QStringLiteral("Store reply anchors as plain &gt;&gt;N, as the Perl board software most\n"
                       "external boards run does (default: links, as 2channel writes them).")};

    QList<QCommandLineOption> all() const
    {
        return {demo, port, portFile, posts, interval, seed, dat, cert, key, plainAnchors};
    }
};

// Every --dat BOARD/KEY=FILE served; false when one cannot be.
bool serveDats(BoardServer &server, const QStringList &entries, QTextStream &err)
{
    for (const QString &entry : entries) {
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        const QString where = entry.left(eq);
        const qsizetype slash = where.lastIndexOf(QLatin1Char('/'));
        QFile file(entry.mid(eq + 1));
        if (eq < 0 || slash <= 0 || !file.open(QIODevice::ReadOnly)) {
            err << "board-server: cannot serve --dat " << entry << "\n";
            return false;
        }
        server.setDat(where.left(slash), where.mid(slash + 1), file.readAll());
    }
    return true;
}

// Listens on the port, over TLS when a certificate and key are given: 0, or the exit code.
int listen(BoardServer &server, const QCommandLineParser &parser, const Options &o, quint16 port,
           QTextStream &err)
{
    const bool tls = parser.isSet(o.cert) || parser.isSet(o.key);
    if (tls && !(parser.isSet(o.cert) && parser.isSet(o.key))) {
        err << "board-server: --tls-cert and --tls-key go together\n";
        return 2;
    }
    const bool listening = tls ? server.listenTls(parser.value(o.cert), parser.value(o.key), port)
                               : server.listen(port);
    if (!listening) {
        err << "board-server: " << server.errorString() << "\n";
        return 1;
    }
    return 0;
}

bool writePortFile(const QString &path, quint16 port)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QByteArray::number(port) + '\n') >= 0 &&
           file.commit();
}

} // namespace

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
    const Options o;
    parser.addOptions(o.all());
    parser.process(app);

    QTextStream err(stderr);
    bool ok = false;
    const uint portNumber = parser.value(o.port).toUInt(&ok);
    if (!ok || portNumber > 65535) {
        err << "board-server: bad --port\n";
        return 2;
    }

    BoardServer server;
    BoardServer::Behaviour behaviour;
    behaviour.plainAnchors = parser.isSet(o.plainAnchors);
    server.setBehaviour(behaviour);
    if (!serveDats(server, parser.values(o.dat), err))
        return 2;
    if (const int failed = listen(server, parser, o, quint16(portNumber), err))
        return failed;
    if (parser.isSet(o.demo))
        server.startDemo(parser.value(o.posts).toInt(), parser.value(o.interval).toInt(),
                         parser.value(o.seed).toUInt());
    if (parser.isSet(o.portFile) && !writePortFile(parser.value(o.portFile), server.port())) {
        err << "board-server: cannot write " << parser.value(o.portFile) << "\n";
        return 1;
    }

    QTextStream out(stdout);
    out << "board-server: listening on " << server.origin() << "\n";
    if (parser.isSet(o.demo))
        out << "board-server: demo thread " << server.demoThreadUrl() << "\n";
    out.flush();
    return app.exec();
}
