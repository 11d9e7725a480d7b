#pragma once

#include "settings/options.h"
#include "settings/speechoptions.h"

#include <QString>
#include <memory>

class SettingsStore;

// The program-wide flags that connect the windows.
struct AppFlags
{
    bool MakuShown = false;     // the subtitle window is loaded
    bool MakuStop = false;      // subtitles are paused (post window)
    bool GameOpen = false;      // the guessing-game window is open
    bool GameClosing = false;   // the guessing-game window is closing
    bool NoResOpen = false;     // the idle-text dialog is open
    bool DragPointView = false; // the subtitle window shows its drag mark and name tag
};

// What every window shares: the data folder, the settings store, the options and the flags.
// One instance, made by main() (or a test) and handed to the windows.
struct Program
{
    QString AppPath; // the data folder, ending with "/"
    SettingsStore *store = nullptr;
    Options opt;
    SpeechOptions speech;
    AppFlags flags;

    QString dataFile(const QString &name) const { return AppPath + name; }
};
