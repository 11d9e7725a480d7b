#pragma once

#include "retrieval/boards.h"
#include "retrieval/datfetch.h"
#include "subtitle/makuentry.h"
#include "threadlist/subjectlist.h"

#include <QSet>
#include <QString>
#include <QVector>
#include <QtGlobal>

// Following a broadcast into its next thread (次スレ): when a thread is over and which thread of
// its board continues it. Rules only; the board's list comes from SubjectFetch.

// What stays of a title from one part of a thread to the next: full-width and half-width letters
// and digits folded (and upper and lower case), "Part", "その", "★", "No." taken out with their
// numbers, brackets and blanks dropped. Titles are compared as shown (entities decoded); at most
// kMaxTitle characters of one count.
struct ThreadTitleKey
{
    static constexpr int kMaxTitle = 256;
    QString base;
    qint64 number = -1; // the part's number; -1 when the title names none
};
ThreadTitleKey NormalizeThreadTitle(const QString &title);

// A thread's board (its board address without the scheme, the host in lower case) and its key;
// key -1 when the address names no thread.
struct ThreadId
{
    QString board;
    qint64 key = -1;
};
ThreadId ThreadIdOf(const QString &threadUrl);

// What the last load of a thread showed.
struct ThreadEndFacts
{
    Boards::Kind kind = Boards::Kind::TwoChannel;
    qint32 posts = 0;      // posts of the thread so far
    int refusedStatus = 0; // the status code of a refused answer; 0 when it was accepted
    bool rentalStopped = false;
};

struct ThreadState;
// What the load of `state`'s thread that ended `how` showed: its posts, a refused answer's
// status, a rental board's stop.
ThreadEndFacts EndFactsOf(const ThreadState &state, const DatResponse &response,
                          DatFetch::LoadEnd how);

// True when the thread takes no more posts: a 2channel-style thread with post 1001 (the board's
// stop post), or with 1000 posts once its successor is known; a rental thread stopped or at 1000
// posts; any thread that was followed and whose data is now refused (403, 404, 410) or moved.
bool IsThreadOver(const ThreadEndFacts &facts, bool successorKnown);
// True when a rental board's raw-mode header carries an "ERROR:" field ("STORAGE IN": moved to
// the archive; a stopped thread): the thread is no longer there to follow.
bool RentalThreadStopped(const QString &header);

// How long the search goes on: the board's list is read quietly from post kQuietFrom on, at most
// every kQuietIntervalMs before post 1000, and at every load for kSearchWindowMs after the end.
namespace NextThreadSearch {
constexpr qint32 kQuietFrom = 950;
constexpr qint64 kQuietIntervalMs = 60 * 1000;
constexpr qint64 kSearchWindowMs = 30 * 60 * 1000;
} // namespace NextThreadSearch

// Where a search stands after a load of the followed thread.
struct SearchMoment
{
    qint32 posts = 0;
    bool over = false;
    bool named = false;    // a candidate was named and not turned down
    qint64 sinceList = -1; // milliseconds since the list was last read for this thread; -1: never
    qint64 sinceOver = 0;  // milliseconds since the thread was found over
};
// True when the board's list is to be read now (never while a named candidate waits).
bool ListDue(const SearchMoment &moment);

// One post as stored: its number and its message as the board wrote it.
struct PostText
{
    qint32 number = 0;
    QString message;
};

struct NextThreadCandidate
{
    QString url;
    QString title; // as the list shows it; "" when only a link in a post names the thread
    qint64 key = -1;
    bool isValid() const { return key >= 0; }
};

// The thread that continues currentUrl, or an invalid candidate. Evidence in this order:
// 1. an address of a thread of the same board with a newer key in one of lastPosts (those the
//    board's list shows under another title are never taken); one the list shows under a
//    matching title first, then one in a post that says "次スレ", then the latest post's;
// 2. a thread of the list (rows, the board's subject list) with a newer key whose title matches
//    the current one (currentTitle as shown, else the current thread's row), the part after the
//    current one first, then the newest.
// Keys in `excluded` are never chosen. Linear in the posts' and rows' text.
NextThreadCandidate ChooseNextThread(const QString &currentUrl, const QString &currentTitle,
                                     const QVector<PostText> &lastPosts,
                                     const QVector<ThreadRow> &rows, const QSet<qint64> &excluded);

// "次スレ候補：TITLE（URL）", for the ask bar and the status bar, on one line and cut short.
QString NextThreadCaption(const NextThreadCandidate &candidate);
// The program's notice "次スレに移動しました：TITLE" for a title as shown.
MakuEntry NextThreadNotice(const QString &title);
