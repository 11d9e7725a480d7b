#include "platform/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

SettingsStore::SettingsStore() : SettingsStore(defaultPath()) {}

SettingsStore::SettingsStore(const QString &iniPath)
    : m_settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat))
{}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::defaultPath()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return base + QStringLiteral("/sazanami/sazanami.ini");
}

QString SettingsStore::path() const
{
    return m_settings->fileName();
}

// The spelling already in the file wins, so a section keeps one place whatever case callers use.
QString SettingsStore::storedSection(const QString &section) const
{
    const QStringList groups = m_settings->childGroups();
    for (const QString &group : groups) {
        if (group.compare(section, Qt::CaseInsensitive) == 0)
            return group;
    }
    return section;
}

bool SettingsStore::contains(const QString &section, const QString &key) const
{
    return m_settings->contains(storedSection(section) + QLatin1Char('/') + key);
}

QString SettingsStore::value(const QString &section, const QString &key,
                             const QString &fallback) const
{
    const QString name = storedSection(section) + QLatin1Char('/') + key;
    if (!m_settings->contains(name))
        return fallback;
    const QVariant v = m_settings->value(name);
    // A hand-edited INI line with bare commas reads back as a list; the store holds text only.
    if (v.userType() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

void SettingsStore::setValue(const QString &section, const QString &key, const QString &text)
{
    m_settings->setValue(storedSection(section) + QLatin1Char('/') + key, text);
}

void SettingsStore::remove(const QString &section, const QString &key)
{
    m_settings->remove(storedSection(section) + QLatin1Char('/') + key);
}

bool SettingsStore::sync()
{
    // The file holds the browser source's token: readable by its owner alone from its first
    // write on. QSettings replaces it through a QSaveFile, which keeps its permissions.
    const QString path = m_settings->fileName();
    if (!QFileInfo::exists(path) && QDir().mkpath(QFileInfo(path).absolutePath())) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.close();
    }
    if (QFileInfo(path).isFile())
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}
