#pragma once

#include "retrieval/boards.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The thread being followed: its identity, kind, load state and local copy of its data.
// Only the load command (ThreadLoader and its DatFetch) writes it, the post counts with what
// the post pipeline reports it took; everything else reads it.
struct ThreadState
{
    // A thread's bound over every load: the post table's numbers, and 16 MiB of its lines as
    // the board sends them, each tag the thread view keeps of a post counted as kTagBytes
    // more (the view holds a tag at the cost of that much text). Loading another thread (or
    // with Ctrl) starts afresh.
    static constexpr qint32 kMaxPosts = 10001;
    static constexpr qint64 kMaxBytes = qint64(16) << 20;
    static constexpr qint64 kTagBytes = 64;
    static QString FullText()
    {
        return QStringLiteral(
            "このスレッドは上限（10001レスか16MB）に達したため、これより先は読み込みません");
    }

    QString CurrentUrl; // the exact address text of the loaded thread; "" before the first load
    Boards::Kind BoardKind = Boards::Kind::TwoChannel;
    bool Ready = true;     // no load in progress
    bool LiveMode = false; // the posts of this load are new posts (they become subtitles)
    qint32 ResTotal = 0;   // posts of the current thread processed so far
    // What the current thread's posts cost so far (kMaxBytes); true once a post came past the
    // thread's bound: it is not processed, and nothing more of the thread is read.
    qint64 ThreadBytes = 0;
    bool ThreadFull = false;
    QByteArray DatBytes;                         // local copy of a 2channel-style data file
    qint32 DatSize = 0;                          // bytes of DatBytes after the last finished load
    QString DatSeparator = QStringLiteral("<>"); // field separator of the last response's lines
    // A whole reload after a failed differential load (a post was deleted): the posts numbered
    // above RefetchAbove may be new, and RefetchOld is the local copy before the failure.
    // RefetchAbove is -1 when no such reload is under way.
    qint32 RefetchAbove = -1;
    QByteArray RefetchOld;
    // The first load of a thread the broadcast moved to: its posts from this number on were
    // written before the move and are new to the viewers. 0 for any other load.
    qint32 NewFrom = 0;
};
