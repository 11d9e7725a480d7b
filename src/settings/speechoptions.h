#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

class SettingsStore;

// Reading the comments aloud: section "Speech" of the store, with its presets.
struct SpeechOptions
{
    enum EngineKind : qint16
    {
        Off = 0,
        SystemVoice = 1,
        Voicevox = 2,
        Bouyomi = 3,
    };

    qint16 Engine = Off;
    QString VoicevoxUrl = QStringLiteral("http://127.0.0.1:50021");
    qint32 VoicevoxSpeaker = 1;
    QString BouyomiHost = QStringLiteral("127.0.0.1");
    qint32 BouyomiPort = 50001;
    qint16 Volume = 100;  // 0 to 100
    qint16 Rate = 0;      // -10 (slow) to 10 (fast)
    qint16 ReadName = 0;  // 1: the poster's name before the message
    qint16 MaxChars = 60; // longer texts are cut and end with "以下略"
    qint16 Backlog = 5;   // utterances that may wait; beyond, the oldest waiting go

    bool operator==(const SpeechOptions &o) const;
    bool operator!=(const SpeechOptions &o) const { return !(*this == o); }
};

inline const QString kSpeechSection = QStringLiteral("Speech");

// Each number key with its range; a stored value outside it keeps the preset.
struct SpeechRange
{
    const char *key;
    qint32 min;
    qint32 max;
};
const SpeechRange &SpeechRangeOf(const char *key);

SpeechOptions LoadSpeechOptions(const SettingsStore &store);
void SaveSpeechOptions(SettingsStore &store, const SpeechOptions &options);

// Where a speech engine is reached. Only this machine or the local network: comments must not
// travel to an address on the internet, and only plain http is spoken.
struct SpeechEndpoint
{
    QString host; // as typed, without brackets
    quint16 port = 0;
};
// A host is local when it is "localhost" or a loopback, private, link-local or unique-local
// address literal; names are not looked up.
bool IsLocalSpeechHost(const QString &host);
// `VoicevoxUrl`: "http://HOST[:PORT][/]" with a local host (port 80 when none is given).
std::optional<SpeechEndpoint> ParseVoicevoxUrl(const QString &typed);
