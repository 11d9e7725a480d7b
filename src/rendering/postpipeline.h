#pragma once

#include "rendering/posttable.h"

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
class PostPipeline : public QObject
{
    Q_OBJECT
public:
    PostPipeline(Program &program, ThreadState &state, QObject *parent = nullptr);

    // The NG words in list order (lstNG), read once per batch of lines.
    const QStringList &ngWords() const { return m_ngWords; }
    void setNgWords(const QStringList &words) { m_ngWords = words; }
    void addNgWord(const QString &word) { m_ngWords.append(word); }
    void removeNgWord(int index);

    // The enable flags of the 17 command words (lstCommand), read per queued post.
    const QVector<bool> &commandFlags() const { return m_commandFlags; }
    void setCommandFlags(const QVector<bool> &flags) { m_commandFlags = flags; }
    void setCommandFlag(int index, bool enabled);

    // The skins as last read: the header starts the view, the post skin is filled per post.
    void setSkins(const QString &headerSkin, const QString &resSkin);
    const QString &HeaderSkin() const { return m_headerSkin; }
    const QString &ResSkin() const { return m_resSkin; }

    // Takes complete new lines of one response, each without its LF, in order and exactly
    // once. separator is the response's field separator ("<>" or ",").
    void SetLog(const QStringList &lines, const QString &separator);
    // Processes one post: links, storing, rendering and, for a new post, queueing.
    // isNg marks a line that the NG test replaced; such a post is never queued.
    void AddLog(const QString &Num, const QString &Names, QString Mail, QString DateID,
                QString Message, bool isNg = false);

    // The end of a whole reload after a deleted post (ThreadState::RefetchAbove): queues the
    // posts above the count received before the failure, and above the last post that the
    // old local copy also held (a removed line moves later posts down by one).
    void finishRefetch();

    const PostTable &ResData() const { return m_resData; }

    // The program's own entry when a thread reaches post 1000.
    static const QString &Notice1000();

signals:
    // One filled post, to be appended at the end of the thread view.
    void postRendered(const QString &html);
    // After every rendered post (AutoScroll).
    void autoScrollRequested();
    // "sazanami - [title]" when a thread's first post arrives.
    void titleChanged(const QString &title);
    // A new post for the subtitle queue: five fields joined by "<>".
    void postQueued(const QString &entry, bool gameOpen);
    // The program's notice at post 1000.
    void noticeQueued(const QString &entry);

private:
    void queue(qint32 number, const QString &entry);
    void putOnAir(const QString &entry);

    Program &m_program;
    ThreadState &m_state;
    PostTable m_resData;
    QString m_headerSkin;
    QString m_resSkin;
    QStringList m_ngWords;
    QVector<bool> m_commandFlags;
    // During a whole reload after a deleted post: the entries its posts would queue, held
    // until the whole thread is in; the lines of the old copy; the last post found in it.
    QVector<QPair<qint32, QString>> m_held;
    QSet<QString> m_oldLines;
    qint32 m_lastOld = 0;
};
