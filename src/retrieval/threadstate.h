#pragma once

#include "retrieval/boards.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The thread being followed: its identity, kind, load state and local copy of its data.
struct ThreadState
{
    QString CurrentUrl; // the exact address text of the loaded thread; "" before the first load
    Boards::Kind BoardKind = Boards::Kind::TwoChannel;
    bool Ready = true;     // no load in progress
    bool LiveMode = false; // the posts of this load are new posts (they become subtitles)
    qint32 ResTotal = 0;   // posts of the current thread processed so far
    // Bytes of the lines handed on for the current thread; true once a line went past the
    // thread's bound (DatFetch::kMaxThreadPosts, kMaxThreadBytes): nothing more is read.
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
};
