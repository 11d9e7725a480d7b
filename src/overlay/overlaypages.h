#pragma once

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>

enum class OverlayPage
{
    Index,
    Subtitle,
    Question,
    Score,
    Flow
};

// One line of the index page: a page's address and the size to give the browser source.
struct OverlayIndexEntry
{
    QString address;
    QSize size;
};

// The pages as served. They hold no data: each opens a WebSocket to its own address (token
// included) and shows what arrives, as text only, reconnecting every second while the program
// is away.
QByteArray OverlayPageHtml(OverlayPage page);
QByteArray OverlayIndexHtml(const QList<OverlayIndexEntry> &entries);
