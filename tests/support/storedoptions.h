#pragma once

#include "platform/settingsstore.h"
#include "settings/options.h"

#include <QStringList>

// Every option `store` holds, as "key=value" in key-table order, joined by spaces.
inline QString storedOptions(const SettingsStore &store)
{
    QStringList pairs;
    for (const QString &key : OptionKeys())
        if (store.contains(kOptionSection, key))
            pairs << key + QLatin1Char('=') + store.value(kOptionSection, key);
    return pairs.join(QLatin1Char(' '));
}

// Writes "key=value key=value …" into `section`.
inline void storeOptions(SettingsStore &store, const QString &pairs,
                         const QString &section = kOptionSection)
{
    for (const QString &pair : pairs.split(QLatin1Char(' ')))
        store.setValue(section, pair.section(QLatin1Char('='), 0, 0),
                       pair.section(QLatin1Char('='), 1));
}
