#pragma once

#include "rendering/ngrules.h"
#include "rendering/posttable.h"
#include "subtitle/makuentry.h"

#include <QObject>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

struct Program;
struct ThreadState;

// New-post processing: received lines become posts that are numbered, stored in ResData,
// rendered through the post skin and, when new, handed on as subtitle queue entries.
// It owns the NG words and the command-word flags; the main window's lists only show them.
// It reads the thread state and reports the posts it took (postsTaken); the loader counts them.
class PostPipeline : public QObject
{
    Q_OBJECT
public:
    PostPipeline(Program &program, const ThreadState &state, QObject *parent = nullptr);

    // The NG words in list order (lstNG), read once per batch of lines.
    const QStringList &ngWords() const { return m_ngWords; }
    void setNgWords(const QStringList &words) { m_ngWords = words; }
    void addNgWord(const QString &word) { m_ngWords.append(word); }
    void removeNgWord(int index);

    // The NG rules by ID, name and pattern, tested on every post the NG words let through.
    NgRules &ngRules() { return m_ngRules; }
    // True when post `number` of the current thread is shown as an NG post.
    bool isHidden(qint64 number) const;
    // After a rule was added: the posts shown so far that it hides become NG posts (what a
    // whole reload holds of them is dropped), and the view is written again from the table. Returns
    // how many posts it hid; the rules' notes are left to the caller.
    int hideShownPosts();
    // The messages (HTML) of the current thread's posts that are not hidden.
    QStringList shownMessages() const;
    // How many posters (distinct IDs) of the posts shown a name rule `part` would silence.
    int postersNamed(const QString &part) const;

    // The enable flags of the command words (lstCommand), read per queued post.
    const QVector<bool> &commandFlags() const { return m_commandFlags; }
    void setCommandFlags(const QVector<bool> &flags) { m_commandFlags = flags; }
    void setCommandFlag(int index, bool enabled);

    // The post skin as last read, filled per post.
    void setResSkin(const QString &resSkin) { m_resSkin = resSkin; }

    // Takes complete new lines of one response, each without its LF, in order and exactly
    // once. separator is the response's field separator ("<>" or ","). Each line is one post,
    // numbered on from ThreadState::ResTotal; postsTaken() reports them.
    void SetLog(const QStringList &lines, const QString &separator);
    // Processes one post: links, storing, rendering and, for a new post, queueing.
    // isNg marks a line that the NG test replaced; such a post is never queued.
    void AddLog(const QString &Num, const QString &Names, QString Mail, QString DateID,
                QString Message, bool isNg = false);

    // The end of a whole reload after a deleted post (ThreadState::RefetchAbove): queues the
    // posts above the count received before the failure, and above the last post that the
    // old local copy also held (a removed line moves later posts down by one).
    void finishRefetch();
    // The program's own notice of a move to the next thread: on air, and on the flow page, as
    // the 1000 notice is.
    void announce(const MakuEntry &notice) { putOnAir(notice); }

    const PostTable &ResData() const { return m_resData; }
    // The current thread's title as shown (entities decoded), once its first post came.
    const QString &threadTitle() const { return m_title; }

    // The program's own entry when a thread reaches post 1000.
    static const MakuEntry &Notice1000();

signals:
    // One filled post, to be appended at the end of the thread view.
    void postRendered(const QString &html, qint64 number);
    // The view is written again: restarted now, every post follows, then rewriteFinished().
    void rewriteStarted();
    void rewriteFinished();
    // What the NG rules have to say (a pattern stopped), for the status bar.
    void ngNote(const QString &text);
    // After every rendered post (AutoScroll).
    void autoScrollRequested();
    // "sazanami - [title]" when a thread's first post arrives.
    void titleChanged(const QString &title);
    // What one SetLog took, for the loader to count before the next lines: the posts
    // (ResTotal), what they cost toward the thread's bound (ThreadBytes), and whether a post
    // came past that bound and was left (ThreadFull).
    void postsTaken(int count, qint64 bytes, bool full);
    // A new post for the subtitle queue.
    void postQueued(const MakuEntry &entry, bool gameOpen);
    // The program's notice at post 1000.
    void noticeQueued(const MakuEntry &entry);

private:
    // The post as the view shows it; tags counts the tags its fields keep.
    QString renderPost(const QString &Num, const ResRecord &post, const QString &linkedMessage,
                       qsizetype *tags) const;
    void setHidden(qint64 number, bool hidden);
    bool hiddenByRules(const QString &dateId, const QString &names, const QString &message);
    void queue(qint32 number, const MakuEntry &entry);
    void putOnAir(const MakuEntry &entry);

    Program &m_program;
    const ThreadState &m_state;
    PostTable m_resData;
    QString m_title;
    QString m_resSkin;
    QStringList m_ngWords;
    NgRules m_ngRules;
    // By post number: shown as an NG post.
    QVector<bool> m_hidden;
    QVector<bool> m_commandFlags;
    qint64 m_batchBytes = 0; // what the posts of the running SetLog cost toward the bound
    // During a whole reload after a deleted post: the entries its posts would queue, held
    // until the whole thread is in; the lines of the old copy; the last post found in it.
    QVector<QPair<qint32, MakuEntry>> m_held;
    QSet<QString> m_oldLines;
    qint32 m_lastOld = 0;
};
