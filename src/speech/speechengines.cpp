#include "speech/speechengines.h"

#include "settings/speechoptions.h"
#include "speech/bouyomiengine.h"
#include "speech/systemvoiceengine.h"
#include "speech/voicevoxengine.h"

SpeechEngine *MakeSpeechEngine(const SpeechOptions &o, QObject *parent)
{
    switch (o.Engine) {
    case SpeechOptions::SystemVoice:
        return new SystemVoiceEngine(o.Rate, o.Volume, parent);
    case SpeechOptions::Voicevox:
        return new VoicevoxEngine(o.VoicevoxUrl, o.VoicevoxSpeaker, o.Rate, o.Volume, parent);
    case SpeechOptions::Bouyomi:
        return new BouyomiEngine(o.BouyomiHost, quint16(o.BouyomiPort), o.Rate, o.Volume, parent);
    default:
        return nullptr;
    }
}

void SpeakTest(const SpeechOptions &options, QObject *context,
               const std::function<void(const QString &result)> &done)
{
    SpeechEngine *engine = MakeSpeechEngine(options, context);
    if (!engine) {
        done(QStringLiteral("読み上げはオフです"));
        return;
    }
    QObject::connect(engine, &SpeechEngine::finished, context,
                     [engine, done](const QString &failure) {
                         engine->deleteLater();
                         done(failure.isEmpty() ? QStringLiteral("読み上げました") : failure);
                     });
    engine->speak(QStringLiteral("テスト読み上げです"));
}
