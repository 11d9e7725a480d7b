#pragma once

#include <QObject>
#include <QString>

// One way of reading a text aloud. An engine speaks one utterance at a time and ends each
// started one with exactly one finished(), unless stop() ended it first. Nothing in an engine
// waits: connections, synthesis and playback all run from the event loop.
class SpeechEngine : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts reading `text` (never empty).
    virtual void speak(const QString &text) = 0;
    // Ends the running utterance at once, without finished().
    virtual void stop() = 0;

signals:
    // The utterance is over. `failure` is empty when it was spoken, else one status text
    // naming the cause.
    void finished(const QString &failure);
};
