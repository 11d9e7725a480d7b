#pragma once

#include <QSize>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>

class SettingsStore;

// Every option, with its preset, in section "Option" unless said. Read at the moment of use.
struct Options
{
    qint16 MakuMode = 1;
    qint16 FontColor = 0;
    qint32 FontColorCode = 16777215;
    qint16 FontSize = 0;
    QString WakuSize = defaultWakuSize();
    qint16 WakuView = 0;
    QString Keyword;
    qint16 FontResize = 0;
    qint16 Speed = 2;
    qint16 FontFuchi = 0;
    qint16 FontShadow = 1;
    QString EnableCommand = defaultEnableCommand();
    qint16 BackPicture = 0;
    QString BackPictureFile;
    qint16 TextLimit = 0;
    qint16 TextMode = 0;
    qint16 FontDecorate = 3;
    qint16 MakuListView = 0;
    qint16 TextIDView = 0;
    qint16 Text2Clipboard = 0;
    qint16 Num1000 = 1;
    qint16 TextNameView = 0;
    qint16 TextNumView = 0;
    qint16 MakuFormTop = 1;
    // Remembered across runs: seconds between automatic reloads (0 off, else 7 to 30) and
    // automatic scrolling of the thread view (0 off, 1 on).
    qint16 AutoReload = 0;
    qint16 AutoScroll = 0;
    // The browser-source server: on (1) or off, its port, and "LAN" (1: every address, with
    // the random OverlayToken in every request; 0: 127.0.0.1 only).
    qint16 Overlay = 0;
    qint32 OverlayPort = 50080;
    qint16 OverlayLAN = 0;
    QString OverlayToken;
    // Hours an NG rule by ID is kept: boards give a poster a new ID every day.
    qint16 NgIdHours = 24;
    // Following into the next thread when one ends: 0 off (the status bar names the candidate),
    // 1 ask, 2 move by itself.
    qint16 NextThread = 2;
    // The browser source's flowing comments (section Overlay): seconds to cross the page, and
    // comments on it at once.
    qint16 FlowSeconds = 5;
    qint16 FlowMax = 60;
    // A restart resumes the broadcast: load the last thread at once (1) and reopen the
    // subtitle window when it was open at exit (MakuOpen 1).
    qint16 ResumeThread = 1;
    qint16 MakuOpen = 0;

    // Every command word enabled; the frame of kDefaultWaku.
    static QString defaultEnableCommand();
    static QString defaultWakuSize();
};

// The keys of section "Option" in the order of the key table (other sections left out).
const QStringList &OptionKeys();

// Section names used in the store.
inline const QString kOptionSection = QStringLiteral("Option");
inline const QString kPosSection = QStringLiteral("Pos");
inline const QString kOverlaySection = QStringLiteral("Overlay");

// Reads a whole number the way the store's values were always read: surrounding blanks allowed,
// a decimal part rounded half to even; false when the text is not a number or out of range.
bool ParseWholeNumber(const QString &text, qint64 min, qint64 max, qint64 *out);

// `WakuSize`: W × H from "<width>x<height>", each side 1 to kMaxWakuSide; nothing otherwise.
// Sides beyond the maximum would ask for a picture too large to paint or capture.
constexpr int kMaxWakuSide = 8192;
// The frame before any usable WakuSize was drawn, and the preset.
constexpr QSize kDefaultWaku(640, 480);
std::optional<QSize> ParseWakuSize(const QString &text);

// `OverlayPort`: a port the browser-source server may listen on, typed with full-width digits
// too; 0 when it is none.
constexpr int kMinOverlayPort = 1024;
int ParseOverlayPort(const QString &typed);
// The bounds of FlowSeconds and FlowMax; a value outside counts as the nearest bound.
constexpr int kMaxFlowSeconds = 60;
constexpr int kMaxFlowComments = 200;

// Window placement in section "Pos": stored in twips, used in pixels.
constexpr int kTwipsPerPixel = 15;
// Reading gives false when the key is missing or not a number.
bool ReadPlacement(const SettingsStore &store, const char *key, int *pixels);
void WritePlacement(SettingsStore &store, const char *key, int pixels);

Options LoadSettings(const SettingsStore &store);
void SaveSettings(SettingsStore &store, const Options &options);
