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

// The read.cgi address of a thread on a local board at `origin` ("http://127.0.0.1:PORT").
inline QString threadAddress(const QString &origin, const QString &board, const QString &key)
{
    return origin + QStringLiteral("/test/read.cgi/") + board + QLatin1Char('/') + key +
           QLatin1Char('/');
}

// Starts Xvfb on a free display; returns ":N", or an empty text when it did not start.
QString startPrivateX(class QProcess &xvfb);
