#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#ifdef __SANITIZE_ADDRESS__
// libspeechd finds each line of speech-dispatcher's voice list (thousands of espeak-ng voices)
// with strstr, which AddressSanitizer's checked version makes quadratic: minutes, not
// milliseconds. Defined here, so include this header in one file of a test only.
extern "C" const char *__asan_default_options()
{
    return "intercept_strstr=0";
}
#endif

// The audio services of a desktop, private to a test: a PulseAudio server with a null sink for
// this process and the programs it starts (PULSE_SERVER), a recording of what reaches the sink,
// and on demand a speech-dispatcher speaking through it (SPEECHD_ADDRESS).
class PulseSink
{
public:
    ~PulseSink()
    {
        for (QProcess *p : {&m_speech, &m_recorder, &m_server}) {
            p->terminate();
            if (!p->waitForFinished(3000))
                p->kill();
        }
    }

    // Empty when the server runs and records, else why not.
    QString start()
    {
        if (const QString missing = missingTool({"pulseaudio", "parec"}); !missing.isEmpty())
            return missing;
        const QString socket = m_dir.filePath(QStringLiteral("pulse.sock"));
        qputenv("PULSE_SERVER", "unix:" + socket.toLocal8Bit());
        // Should the test die, the servers end on their own once left without clients; the
        // recorder keeps the sound server busy while the test runs.
        m_server.start(QStringLiteral("pulseaudio"),
                       {"-n", "--daemonize=no", "--exit-idle-time=10", "--use-pid-file=no",
                        "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket,
                        "--load=module-null-sink sink_name=sazanami_null"});
        if (!QTest::qWaitFor([&] { return QFile::exists(socket); }, 10000))
            return QStringLiteral("pulseaudio did not start: ") + m_server.readAllStandardError();
        // Mono 16-bit samples at 16 kHz from the sink's monitor.
        m_recorder.start(QStringLiteral("parec"), {"-d", "sazanami_null.monitor", "--format=s16le",
                                                   "--channels=1", "--rate=16000"});
        return m_recorder.waitForStarted(5000) ? QString() : QStringLiteral("parec did not start");
    }

    // Empty when speech-dispatcher with espeak-ng runs on this sink, else why not.
    QString startSpeechDispatcher()
    {
        if (const QString missing = missingTool({"speech-dispatcher"}); !missing.isEmpty())
            return missing;
        if (!QFile::exists(QStringLiteral("/usr/lib/speech-dispatcher-modules/sd_espeak-ng")))
            return QStringLiteral("speech-dispatcher-espeak-ng is not installed");
        const QString socket = m_dir.filePath(QStringLiteral("speechd.sock"));
        qputenv("SPEECHD_ADDRESS", "unix_socket:" + socket.toLocal8Bit());
        m_speech.start(QStringLiteral("speech-dispatcher"),
                       {"-s", "-t", "30", "-c", "unix_socket", "-S", socket, "-P",
                        m_dir.filePath("speechd.pid"), "-L", m_dir.path()});
        if (!QTest::qWaitFor([&] { return QFile::exists(socket); }, 10000))
            return QStringLiteral("speech-dispatcher did not start");
        return QString();
    }

    // The recording so far, in bytes; the largest sample value from byte `from` on.
    qsizetype recorded() { return (m_recorded += m_recorder.readAllStandardOutput()).size(); }
    int peakSince(qsizetype from)
    {
        recorded();
        int peak = 0;
        for (qsizetype i = from & ~qsizetype(1); i + 1 < m_recorded.size(); i += 2)
            peak = qMax(peak, qAbs(int(qFromLittleEndian<qint16>(m_recorded.constData() + i))));
        return peak;
    }

    // The last `bytes` of the recording are silence.
    bool silentFor(qsizetype bytes)
    {
        const qsizetype size = recorded();
        return size > bytes && peakSince(size - bytes) < 50;
    }

private:
    static QString missingTool(std::initializer_list<const char *> tools)
    {
        for (const char *tool : tools)
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                return QStringLiteral("%1 is not installed").arg(QLatin1String(tool));
        return QString();
    }

    QTemporaryDir m_dir;
    QProcess m_server;
    QProcess m_recorder;
    QProcess m_speech;
    QByteArray m_recorded;
};
