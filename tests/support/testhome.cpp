#include "support/testhome.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

TestHome::TestHome()
{
    qputenv("SAZANAMI_HOME", m_dir.path().toLocal8Bit());
    for (const char *name : {"Header.htm", "Res.htm", "newmaku.wav", "newinfo.wav"})
        QFile::copy(QStringLiteral(SAZANAMI_BIN_DIR "/") + QLatin1String(name),
                    file(QLatin1String(name)));
}

QString TestHome::path() const
{
    return m_dir.path() + QLatin1Char('/');
}

QString TestHome::file(const QString &name) const
{
    return path() + name;
}

QString TestHome::settingsPath() const
{
    return file(QStringLiteral("settings/sazanami.ini"));
}

QString startPrivateX(QProcess &xvfb)
{
    xvfb.start(QStringLiteral("Xvfb"),
               {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                QStringLiteral("tcp")});
    if (!xvfb.waitForStarted(5000))
        return QString();
    QElapsedTimer waited;
    waited.start();
    while (!xvfb.canReadLine() && waited.elapsed() < 10000)
        xvfb.waitForReadyRead(500);
    return xvfb.canReadLine() ? QLatin1Char(':') + QString::fromLatin1(xvfb.readLine()).trimmed()
                              : QString();
}
