#include "support/testhome.h"

#include <QFile>
#include <QStringList>

TestHome::TestHome()
{
    qputenv("SAZANAMI_HOME", m_dir.path().toLocal8Bit());
    for (const char *name : {"Header.htm", "Res.htm", "newmaku.wav", "newinfo.wav"})
        install(QLatin1String(name));
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

void TestHome::install(const QString &name) const
{
    const QString source = QStringLiteral(SAZANAMI_BIN_DIR "/") + name;
    QFile::remove(file(name));
    QFile::copy(source, file(name));
}
