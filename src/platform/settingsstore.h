#pragma once

#include <QString>
#include <memory>

class QSettings;

// The per-user settings store: section → key → text, backed by an INI file. Section names
// compare without regard to case, so "OPTION" and "Option" are one section.
class SettingsStore
{
public:
    // The store of application `sazanami` in the per-user configuration folder.
    SettingsStore();
    // A store in the given INI file (tests point it at a temporary folder).
    explicit SettingsStore(const QString &iniPath);
    ~SettingsStore();

    static QString defaultPath();
    QString path() const;

    bool contains(const QString &section, const QString &key) const;
    // A missing key reads as `fallback`.
    QString value(const QString &section, const QString &key,
                  const QString &fallback = QString()) const;
    void setValue(const QString &section, const QString &key, const QString &text);
    void remove(const QString &section, const QString &key);
    // False when the file could not be written.
    bool sync();

private:
    QString storedSection(const QString &section) const;
    std::unique_ptr<QSettings> m_settings;
};
