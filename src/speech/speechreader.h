#pragma once

#include "settings/speechoptions.h"
#include "speech/speechengine.h"
#include "subtitle/makuentry.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>

// The read-aloud queue: texts wait here while the engine speaks, one utterance at a time.
// When more than `Backlog` wait, the oldest waiting go (said once until the queue empties).
// Nothing here waits: a call only queues, and the engine reports back through its signal.
class SpeechReader : public QObject
{
    Q_OBJECT
public:
    explicit SpeechReader(QObject *parent = nullptr);

    // The options the texts are made and the backlog kept with, and the engine that reads
    // (taken over; nullptr for none). A new engine stops the old one at once and drops what
    // waits.
    void setEngine(SpeechEngine *engine, const SpeechOptions &options);
    SpeechEngine *engine() const { return m_engine; }
    const SpeechOptions &options() const { return m_options; }

    // An entry going on air: a post is read (its name first when asked), the program's notice
    // without a name; free text, clearing draws and the idle text are not read.
    void onAir(const MakuEntry &entry);
    // Queues a text as it is.
    void say(const QString &text);
    // Drops the waiting utterances of the entries `drop` names (a poster just made NG); the one
    // being spoken ends as it is. Returns how many were dropped.
    int dropIf(const std::function<bool(const MakuEntry &entry)> &drop);

    QStringList waiting() const;
    bool isSpeaking() const { return m_speaking; }

signals:
    // A line for the status bar: a dropped backlog or an engine's failure.
    void statusNote(const QString &text);
    // An utterance was handed to the engine (tests and the benchmark watch it).
    void started(const QString &text);

private:
    struct Utterance
    {
        QString text;
        MakuEntry source; // the entry it was made from; a default one for a text said as is
    };

    // Queues a subtitle's text (see SpeechText); nothing happens without an engine.
    void read(const MakuEntry &entry, const QString &name);
    void queue(const Utterance &utterance);
    void next();
    void onFinished(const QString &failure);

    QPointer<SpeechEngine> m_engine;
    SpeechOptions m_options;
    QList<Utterance> m_waiting;
    bool m_speaking = false;
    bool m_saidBacklog = false;
};
