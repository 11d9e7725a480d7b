#pragma once

#include "threadlist/nextthread.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QVector>
#include <functional>

class SubjectFetch;

// Looks for the thread that continues the one being followed, in its last posts and in its
// board's list, when ListDue says. It names a candidate when the thread is over, or when a
// search was asked for.
class NextThreadWatch : public QObject
{
    Q_OBJECT
public:
    // The posts whose links are read.
    static constexpr qint32 kLinkPosts = 100;
    // Milliseconds from any fixed point.
    using Clock = std::function<qint64()>;
    // The posts numbered from..to of the followed thread, read only when they are needed.
    using PostSource = std::function<QVector<PostText>(qint32 from, qint32 to)>;

    explicit NextThreadWatch(QObject *parent = nullptr);

    void setClock(Clock clock) { m_clock = std::move(clock); }
    SubjectFetch &fetch() { return *m_fetch; }

    // A load of the followed thread ended. title: the title its first post gives, as written.
    void threadLoaded(const QString &url, const QString &title, const ThreadEndFacts &facts,
                      const PostSource &posts);
    // "次スレを探す": the board's list at once; the outcome is said in the status bar, and a
    // candidate is named even while the thread goes on.
    void searchNow();
    // The user turned a candidate down: it is not named again for this thread.
    void ignore(const NextThreadCandidate &candidate);

    bool isOver() const { return m_over; }
    const NextThreadCandidate &candidate() const { return m_candidate; }

signals:
    // A candidate for the followed thread, named once.
    void successorFound(const NextThreadCandidate &candidate);
    // Texts for the status bar, for searches the user asked for.
    void statusChanged(const QString &text);

private:
    void restart(const QString &url);
    void fetchList();
    void listEnded(const QVector<ThreadRow> &rows);
    void decide();
    qint64 now() const { return m_clock ? m_clock() : m_elapsed.elapsed(); }

    SubjectFetch *m_fetch = nullptr;
    Clock m_clock;
    QElapsedTimer m_elapsed;
    QString m_url;
    QString m_title;
    ThreadEndFacts m_facts;
    QVector<PostText> m_posts;
    QVector<ThreadRow> m_rows;
    QSet<qint64> m_ignored;
    QSet<qint64> m_named;
    NextThreadCandidate m_candidate;
    bool m_over = false;
    qint64 m_overAt = 0;
    bool m_listed = false; // the list was asked for since this thread was loaded
    qint64 m_listedAt = 0;
    QString m_fetchingFor; // the thread whose board's list is being fetched; "" when none
    bool m_asked = false;  // the user asked for a search that has not answered yet
};
