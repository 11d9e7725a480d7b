#pragma once

#include "game/dictionary.h"
#include "game/scores.h"

#include <QObject>
#include <QRandomGenerator>
#include <QStringList>

struct Program;

// Where the topic's image lookup goes; the topic is appended percent-encoded.
extern const QString kImageSearchAddress;
QString ImageSearchAddress(const QString &topic);

// The listener guessing game behind the game windows: topic pool, round clock and hints,
// judging and scores. Windows show what its signals and getters say; the round clock is
// driven by tick(), once a second.
class CatfeeGame : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIdle = -1;
    static constexpr int kRoundStart = 155;

    explicit CatfeeGame(Program &program, QObject *parent = nullptr);

    // Random numbers from [0, 1) for drawing topics; seeded from the clock by default.
    void setRandom(RandomSource random) { m_random = std::move(random); }

    // Rebuilds the topic pool from the mode and the selected dictionaries, in list order.
    void LoadQuestion(PoolMode mode, const QVector<DictionaryEntry> &selected);
    // Starts a round: clock 155, a new topic, one more round. Refused (false, and a system
    // message says why) when the pool has no topic.
    bool NextQuestion();
    // One second of the round clock.
    void tick();
    // Judges one subtitle text and the poster's ID (empty for free and idle text).
    void Hantei(const QString &text, const QString &id);
    // Scores, total and round count back to zero.
    void resetScores();

    const QStringList &pool() const { return m_pool; }
    QString topic() const { return m_topic; }
    int clock() const { return m_clock; }
    QString questionText() const { return m_question; }
    int roundCount() const { return m_rounds; }
    bool nextQuestionEnabled() const { return m_nextEnabled; }
    const ScoreTable &scores() const { return m_scores; }

signals:
    void topicShown(const QString &topic);
    void questionTextChanged(const QString &text);
    void clockChanged(int t);
    void roundCountChanged(int count);
    void scoresChanged();
    void nextQuestionEnabledChanged(bool enabled);
    // A sound file of the program folder to play without waiting.
    void waveRequested(const QString &path);
    // What the game reports to the broadcaster (AddSystemText).
    void systemText(const QString &text);

private:
    void setClock(int t);
    void setQuestionText(const QString &text);
    void setNextEnabled(bool enabled);
    void playWave(const QString &name);

    Program &m_program;
    QRandomGenerator m_generator;
    RandomSource m_random;
    QStringList m_pool;
    QString m_topic;
    QString m_question;
    int m_clock = kIdle;
    int m_rounds = 0;
    bool m_nextEnabled = true;
    ScoreTable m_scores;
};
