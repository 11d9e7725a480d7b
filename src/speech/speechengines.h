#pragma once

#include <QString>
#include <functional>

class QObject;
class SpeechEngine;
struct SpeechOptions;

// The engine the options choose, or nullptr when reading is off.
SpeechEngine *MakeSpeechEngine(const SpeechOptions &options, QObject *parent = nullptr);

// The settings dialog's test: reads "テスト読み上げです" through the engine `options` choose
// and calls `done` with a line saying how it went. The engine lives as long as `context`
// at most.
void SpeakTest(const SpeechOptions &options, QObject *context,
               const std::function<void(const QString &result)> &done);
