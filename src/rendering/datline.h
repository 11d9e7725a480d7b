#pragma once

#include "retrieval/boards.h"

#include <QString>

// One received data line mapped to the fields of a post, for either board kind.
struct DatPost
{
    QString Num;         // running post number of the current thread, decimal
    QString Names;       // name as received
    QString Mail;        // mail field as received
    QString DateID;      // date field; on a rental board the date, " ID:" and the ID field
    QString Message;     // message HTML as received
    QString Title;       // thread title (read from the thread's first post only)
    bool Broken = false; // the line could not be mapped and reads "ここ壊れてます"
};

// The text every field of a post shows when its line cannot be mapped.
inline const QString kBrokenPost = QStringLiteral("ここ壊れてます");

// The "ID:" part of a date field up to the next blank, "ID:" included; "" without "ID:".
QString GetID(const QString &dateId);

// Splits a raw line at the separator and maps its fields by board kind. The post number is
// resTotal + 1 whatever the line says.
// A line with too few fields for its board kind becomes the broken-post record.
DatPost MapDatLine(const QString &line, const QString &separator, Boards::Kind boardKind,
                   qint32 resTotal);
