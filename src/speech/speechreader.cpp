#include "speech/speechreader.h"

#include "platform/text.h"
#include "speech/speechtext.h"

SpeechReader::SpeechReader(QObject *parent) : QObject(parent) {}

void SpeechReader::setEngine(SpeechEngine *engine, const SpeechOptions &options)
{
    if (m_engine) {
        m_engine->disconnect(this);
        m_engine->stop();
        m_engine->deleteLater();
    }
    m_engine = engine;
    m_options = options;
    m_waiting.clear();
    m_speaking = false;
    m_saidBacklog = false;
    if (!engine)
        return;
    engine->setParent(this);
    connect(engine, &SpeechEngine::finished, this, &SpeechReader::onFinished);
}

void SpeechReader::onAir(const MakuEntry &entry)
{
    switch (entry.kind) {
    case MakuEntry::Kind::Post:
        // A poster's name comes without tags but with the board's entities.
        read(entry, DecodeEntities(entry.name));
        return;
    case MakuEntry::Kind::Notice:
        // The notice's name is the program's own, which is not read.
        read(entry, QString());
        return;
    case MakuEntry::Kind::FreeText:
    case MakuEntry::Kind::IdleText:
        return;
    }
}

void SpeechReader::read(const MakuEntry &entry, const QString &name)
{
    if (m_engine)
        queue({SpeechText(entry.text(), name, m_options), entry});
}

void SpeechReader::say(const QString &text)
{
    queue({text, MakuEntry()});
}

int SpeechReader::dropIf(const std::function<bool(const MakuEntry &entry)> &drop)
{
    return int(m_waiting.removeIf([&drop](const Utterance &u) { return drop(u.source); }));
}

QStringList SpeechReader::waiting() const
{
    QStringList texts;
    for (const Utterance &u : m_waiting)
        texts << u.text;
    return texts;
}

void SpeechReader::queue(const Utterance &utterance)
{
    if (!m_engine || utterance.text.isEmpty())
        return;
    m_waiting.append(utterance);
    if (!m_speaking) {
        next();
        return;
    }
    if (m_waiting.size() <= m_options.Backlog)
        return;
    m_waiting.remove(0, m_waiting.size() - m_options.Backlog);
    if (!std::exchange(m_saidBacklog, true))
        emit statusNote(QStringLiteral("読み上げ待ちが%1件を超えたため、古いものから読み飛ばします")
                            .arg(m_options.Backlog));
}

void SpeechReader::next()
{
    if (m_waiting.isEmpty()) {
        m_saidBacklog = false;
        return;
    }
    m_speaking = true;
    const QString text = m_waiting.takeFirst().text;
    emit started(text);
    m_engine->speak(text);
}

void SpeechReader::onFinished(const QString &failure)
{
    m_speaking = false;
    if (!failure.isEmpty())
        emit statusNote(failure);
    next();
}
