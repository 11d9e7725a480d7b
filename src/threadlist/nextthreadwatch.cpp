#include "threadlist/nextthreadwatch.h"

#include "threadlist/subjectfetch.h"

NextThreadWatch::NextThreadWatch(QObject *parent) : QObject(parent), m_fetch(new SubjectFetch(this))
{
    m_elapsed.start();
    connect(m_fetch, &SubjectFetch::listEnded, this, &NextThreadWatch::listEnded);
}

void NextThreadWatch::restart(const QString &url)
{
    m_url = url;
    m_title.clear();
    m_facts = ThreadEndFacts();
    m_posts.clear();
    m_rows.clear();
    m_ignored.clear();
    m_named.clear();
    m_candidate = NextThreadCandidate();
    m_over = false;
    m_listed = false;
}

void NextThreadWatch::threadLoaded(const QString &url, const QString &title,
                                   const ThreadEndFacts &facts, const PostSource &posts)
{
    if (url.isEmpty())
        return;
    if (url != m_url)
        restart(url);
    m_title = title;
    m_facts = facts;
    // Below the last posts only a thread that is gone is searched for.
    if (facts.posts < NextThreadSearch::kQuietFrom && !IsThreadOver(facts, false))
        return;
    if (posts)
        m_posts = posts(std::max(1, facts.posts - kLinkPosts + 1), facts.posts);
    decide();
    // One named candidate is enough, unless the user turned it down.
    const bool named = m_candidate.isValid() && m_named.contains(m_candidate.key);
    if (ListDue({facts.posts, m_over, named, m_listed ? now() - m_listedAt : -1, now() - m_overAt}))
        fetchList();
}

void NextThreadWatch::searchNow()
{
    if (m_url.isEmpty()) {
        emit statusChanged(QStringLiteral("次スレを探すには、先にスレッドを読み込んでください"));
        return;
    }
    // Asked for, a candidate is named again, even one turned down before.
    m_named.clear();
    m_ignored.clear();
    m_asked = true;
    emit statusChanged(QStringLiteral("次スレを探しています..."));
    fetchList();
}

void NextThreadWatch::ignore(const NextThreadCandidate &candidate)
{
    m_ignored.insert(candidate.key);
    if (m_candidate.key == candidate.key)
        m_candidate = NextThreadCandidate();
}

void NextThreadWatch::fetchList()
{
    if (!m_fetchingFor.isEmpty())
        return;
    const QString board = BoardUrlOf(m_url);
    if (board.isEmpty())
        return;
    m_fetchingFor = m_url;
    m_listed = true;
    m_listedAt = now();
    m_fetch->GetBoard(board, IsRentalBoardUrl(board));
}

void NextThreadWatch::listEnded(const QVector<ThreadRow> &rows)
{
    const bool forThisThread = m_fetchingFor == m_url;
    m_fetchingFor.clear();
    // Another thread is followed by now: a list of its board is asked for at its next load.
    if (!forThisThread)
        return;
    if (!rows.isEmpty())
        m_rows = rows;
    decide();
    if (std::exchange(m_asked, false) && !m_candidate.isValid())
        emit statusChanged(QStringLiteral("次スレが見つかりませんでした"));
}

void NextThreadWatch::decide()
{
    m_candidate = ChooseNextThread(m_url, m_title, m_posts, m_rows, m_ignored);
    if (!m_over && IsThreadOver(m_facts, m_candidate.isValid())) {
        m_over = true;
        m_overAt = now();
    }
    if (!m_candidate.isValid() || !(m_over || m_asked) || m_named.contains(m_candidate.key))
        return;
    m_named.insert(m_candidate.key);
    emit successorFound(m_candidate);
}
