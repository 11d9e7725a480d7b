#pragma once

#include <QString>
#include <memory>

// A pattern the streamer wrote, matched with PCRE2 (the library under QRegularExpression) under
// two bounds: a match limit against runaway backtracking, and a limit on the thread's processor
// time, looked at between the pattern's steps, for what the match limit does not count (a
// repeat inside a repeat scans the text again at every step without backtracking). Qt 6.4 sets
// neither, so a pattern such as "(a+)+$" would stall the window on a long post.
class NgPattern
{
public:
    enum class Result
    {
        NoMatch,
        Match,
        Stopped, // a bound was reached: the answer is unknown
    };

    // Longer patterns are refused: no one types them, and each is compiled and matched per post.
    static constexpr qsizetype kMaxLength = 1000;
    // Steps of backtracking per match: "(a+)+$" against 50,000 "a" stops in about a millisecond.
    static constexpr quint32 kMatchLimit = 100000;
    // Processor time for one match.
    static constexpr qint64 kMatchNanoseconds = 20'000'000;

    explicit NgPattern(const QString &pattern = QString());

    bool isValid() const { return bool(m_code); }
    // Why the pattern cannot be used, in Japanese with the position; "" when it can.
    const QString &error() const { return m_error; }

    // Searches the subject; an invalid pattern matches nothing.
    Result match(const QString &subject, qint64 nanoseconds = kMatchNanoseconds) const;

private:
    struct Code;
    std::shared_ptr<Code> m_code;
    QString m_error;
};
