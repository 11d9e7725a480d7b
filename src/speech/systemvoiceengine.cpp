#include "speech/systemvoiceengine.h"

#include <QTextToSpeech>

namespace {

QString voiceFailure(const QString &cause)
{
    return QStringLiteral("システムの音声で読み上げられませんでした（%1）").arg(cause);
}

} // namespace

void SystemVoiceWorker::open(int rate, int volume)
{
    m_voice = new QTextToSpeech(QStringLiteral("speechd"), this);
    if (m_voice->state() == QTextToSpeech::Error)
        return;
    // A Japanese voice where the system has one; kana and Latin letters read with espeak-ng.
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    for (const QLocale &locale : m_voice->availableLocales()) {
        if (locale.language() == QLocale::Japanese) {
            m_voice->setLocale(japanese);
            break;
        }
    }
    m_voice->setRate(qBound(-10, rate, 10) / 10.0);
    m_voice->setVolume(qBound(0, volume, 100) / 100.0);
    connect(m_voice, &QTextToSpeech::stateChanged, this, [this](QTextToSpeech::State state) {
        if (m_utterance == 0)
            return;
        if (state == QTextToSpeech::Speaking)
            m_spoke = true;
        else if (state == QTextToSpeech::Ready && m_spoke)
            emit done(std::exchange(m_utterance, 0), QString());
        else if (state == QTextToSpeech::Error)
            emit done(std::exchange(m_utterance, 0), voiceFailure(m_voice->errorString()));
    });
}

void SystemVoiceWorker::say(quint64 utterance, const QString &text)
{
    if (!m_voice || m_voice->state() == QTextToSpeech::Error) {
        emit done(utterance, voiceFailure(m_voice && !m_voice->errorString().isEmpty()
                                              ? m_voice->errorString()
                                              : QStringLiteral("speech-dispatcherを使えません")));
        return;
    }
    m_utterance = utterance;
    m_spoke = false;
    m_voice->say(text);
}

void SystemVoiceWorker::stop()
{
    m_utterance = 0;
    if (m_voice && m_voice->state() == QTextToSpeech::Speaking)
        m_voice->stop();
}

SystemVoiceEngine::SystemVoiceEngine(int rate, int volume, QObject *parent)
    : SpeechEngine(parent), m_thread(new QThread), m_worker(new SystemVoiceWorker)
{
    m_thread->setObjectName(QStringLiteral("system voice"));
    m_worker->moveToThread(m_thread);
    // The thread outlives this engine when the speech service keeps it waiting; it cleans up
    // after itself.
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    connect(m_worker, &SystemVoiceWorker::done, this, &SystemVoiceEngine::onDone);
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, [this] {
        onDone(m_utterance, voiceFailure(QStringLiteral("時間内に読み終わりませんでした")));
    });
    m_thread->start();
    QMetaObject::invokeMethod(m_worker,
                              [w = m_worker.data(), rate, volume] { w->open(rate, volume); });
}

SystemVoiceEngine::~SystemVoiceEngine()
{
    stop();
    m_thread->quit();
    // Usually at once; a thread still opening the service ends later on its own.
    m_thread->wait(500);
}

void SystemVoiceEngine::setTimeLimits(int startMs, int perCharacterMs)
{
    m_startMs = startMs;
    m_perCharacterMs = perCharacterMs;
}

void SystemVoiceEngine::speak(const QString &text)
{
    stop();
    const quint64 utterance = ++m_utterance;
    m_running = true;
    m_limit.start(m_startMs + int(qMin<qsizetype>(text.size(), 10000)) * m_perCharacterMs);
    QMetaObject::invokeMethod(m_worker,
                              [w = m_worker.data(), utterance, text] { w->say(utterance, text); });
}

void SystemVoiceEngine::stop()
{
    m_limit.stop();
    if (!std::exchange(m_running, false))
        return;
    ++m_utterance;
    QMetaObject::invokeMethod(m_worker, [w = m_worker.data()] { w->stop(); });
}

void SystemVoiceEngine::onDone(quint64 utterance, const QString &failure)
{
    if (!m_running || utterance != m_utterance)
        return;
    m_running = false;
    m_limit.stop();
    emit finished(failure);
}
