#pragma once

#include "settings/options.h"
#include "subtitle/makuentry.h"

#include <QColor>
#include <QPoint>
#include <QString>
#include <QVector>
#include <optional>

// A post or notice as the flowing-comments page shows it: its text, and what its command words
// and the subtitle's style make of it. Pixels are those of the subtitle on a page 480 high (the
// default frame's height); the page scales them to its own height.
struct FlowComment
{
    enum class Place
    {
        Flow,   // right to left across the page
        Top,    // "ue": standing, centred at the top
        Bottom, // "shita": standing, centred at the bottom
    };

    QString text; // its lines joined by "\n": no tags, entities decoded
    Place place = Place::Flow;
    int size = 0; // letter size in pixels
    QColor colour;
    QColor outline;
    QVector<QPoint> shadows; // copies in the outline colour under the text (shadow or outline)
    int stroke = 0;          // pen width of an outline drawn around the letters; 0 for none
};

// What flows for an entry: a post or notice with text; nothing for free and idle text.
std::optional<FlowComment> FlowCommentOf(const MakuEntry &entry, const Options &opt);
