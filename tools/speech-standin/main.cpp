// Speech engine stand-ins for trying read-aloud without VOICEVOX or BouyomiChan: prints every
// text they receive. The VOICEVOX stand-in answers a short tone.
#include "speechstandins.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("VOICEVOX and BouyomiChan stand-ins on 127.0.0.1"));
    parser.addHelpOption();
    const QCommandLineOption voicevox(QStringLiteral("voicevox-port"),
                                      QStringLiteral("VOICEVOX engine port (50021)."),
                                      QStringLiteral("N"), QStringLiteral("50021"));
    const QCommandLineOption bouyomi(QStringLiteral("bouyomi-port"),
                                     QStringLiteral("BouyomiChan port (50001)."),
                                     QStringLiteral("N"), QStringLiteral("50001"));
    parser.addOptions({voicevox, bouyomi});
    parser.process(app);

    QTextStream out(stdout);
    VoicevoxStandIn engine;
    BouyomiStandIn bouyomiChan;
    if (!engine.listen(quint16(parser.value(voicevox).toUInt())) ||
        !bouyomiChan.listen(quint16(parser.value(bouyomi).toUInt()))) {
        QTextStream(stderr) << "cannot listen on the ports asked for\n";
        return 1;
    }
    QObject::connect(&engine, &VoicevoxStandIn::requestReceived, &app,
                     [&out](const VoicevoxStandIn::Request &r) {
                         if (r.path == "/audio_query")
                             out << "VOICEVOX speaker " << r.speaker << ": " << r.text << Qt::endl;
                     });
    QObject::connect(&bouyomiChan, &BouyomiStandIn::packetReceived, &app,
                     [&out](const QByteArray &packet) {
                         const BouyomiStandIn::Command c = BouyomiStandIn::parse(packet);
                         out << "BouyomiChan speed " << c.speed << " volume " << c.volume << ": "
                             << (c.valid ? c.text : QStringLiteral("(broken command)")) << Qt::endl;
                     });
    out << "VOICEVOX " << engine.url() << ", BouyomiChan 127.0.0.1:" << bouyomiChan.port()
        << Qt::endl;
    return app.exec();
}
