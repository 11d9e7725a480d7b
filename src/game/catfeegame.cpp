#include "game/catfeegame.h"

#include "game/hints.h"
#include "platform/textfile.h"
#include "settings/program.h"

#include <QDateTime>
#include <QUrl>

const QString kImageSearchAddress =
    QStringLiteral("https://www.google.com/search?tbm=isch&hl=ja&q=");

QString ImageSearchAddress(const QString &topic)
{
    return kImageSearchAddress + QString::fromLatin1(QUrl::toPercentEncoding(topic));
}

CatfeeGame::CatfeeGame(Program &program, QObject *parent)
    : QObject(parent), m_program(program),
      m_generator(quint32(QDateTime::currentMSecsSinceEpoch())),
      m_random([this] { return m_generator.generateDouble(); }),
      m_question(QStringLiteral("配信画面に映す用の「お題」"))
{}

void CatfeeGame::LoadQuestion(PoolMode mode, const QVector<DictionaryEntry> &selected)
{
    QVector<DictionaryText> added;
    for (const DictionaryEntry &entry : selected)
        added.append({entry.name, ReadDictionary(entry.path)});
    const JoinedDictionaries joined =
        JoinDictionaries(mode, GetDefaultQuestion(m_program.AppPath), added);
    m_pool = SplitPool(joined.text);
    for (const QString &message : joined.messages)
        emit systemText(message);
}

bool CatfeeGame::NextQuestion()
{
    const std::optional<QString> topic = GetQuestion(m_pool, m_random);
    if (!topic) {
        emit systemText(QStringLiteral("お題がありません。辞書を読み込んでください"));
        return false;
    }
    setClock(kRoundStart);
    m_topic = *topic;
    emit topicShown(m_topic);
    ++m_rounds;
    emit roundCountChanged(m_rounds);
    setNextEnabled(false);
    return true;
}

void CatfeeGame::tick()
{
    if (m_clock == kIdle)
        return;
    const int t = m_clock - 1;
    setClock(t);
    if (const std::optional<QString> label = QuestionLabelAt(m_topic, t))
        setQuestionText(*label);
    if (t == 150) {
        emit topicShown(m_topic);
        playWave(QStringLiteral("question.wav"));
    } else if (t == 0) {
        playWave(QStringLiteral("ng.wav"));
        setClock(kIdle);
        setNextEnabled(true);
    }
}

void CatfeeGame::Hantei(const QString &text, const QString &id)
{
    QString answer = text;
    answer.replace(QStringLiteral("ヴ"), QStringLiteral("う゛"));
    answer = TrimBlanks(answer);
    const int t = m_clock;
    if (t <= 0 || answer != m_topic) {
        // The subtitle timer leaves the new-subtitle sound to the game.
        const QString maku = m_program.dataFile(QStringLiteral("newmaku.wav"));
        const bool blank =
            text.isEmpty() || text == QStringLiteral(" ") || text == QStringLiteral("　");
        if (!blank && m_program.flags.GameOpen && FileExists(maku))
            emit waveRequested(maku);
        return;
    }
    playWave(QStringLiteral("ok.wav"));
    setNextEnabled(true);
    setQuestionText(answer);
    m_scores.credit(id, t);
    setClock(kIdle);
    emit scoresChanged();
}

void CatfeeGame::resetScores()
{
    m_scores.reset();
    emit scoresChanged();
    m_rounds = 0;
    emit roundCountChanged(m_rounds);
}

void CatfeeGame::setClock(int t)
{
    m_clock = t;
    emit clockChanged(t);
}

void CatfeeGame::setQuestionText(const QString &text)
{
    m_question = text;
    emit questionTextChanged(text);
}

void CatfeeGame::setNextEnabled(bool enabled)
{
    m_nextEnabled = enabled;
    emit nextQuestionEnabledChanged(enabled);
}

void CatfeeGame::playWave(const QString &name)
{
    emit waveRequested(m_program.dataFile(name));
}
