#pragma once

#include "platform/settingsstore.h"
#include "settings/program.h"

#include <QString>
#include <QTemporaryDir>

// A throw-away data folder (SAZANAMI_HOME) with the shipped skins and sounds, and a settings
// file inside it, so no test touches the user's files.
class TestHome
{
public:
    TestHome();
    QString path() const;                    // ends with "/"
    QString file(const QString &name) const; // path() + name
    QString settingsPath() const;
    bool isValid() const { return m_dir.isValid(); }
    // Copies a shipped data file (skin, sound) into the folder.
    void install(const QString &name) const;

private:
    QTemporaryDir m_dir;
};

// A Program whose data folder and settings file live in a throw-away TestHome.
struct TestProgram
{
    TestProgram()
    {
        program.AppPath = home.path();
        program.store = &store;
    }
    TestHome home;
    SettingsStore store{home.settingsPath()};
    Program program;
};
