#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where the windows go on a first start, when no placement was ever stored.
struct FirstPlacement
{
    QRect main;      // the main window: its frame's top-left corner and its inner size
    QPoint subtitle; // the subtitle window's top-left corner
};

// The main window about 1000 × 700 at the top left of the screen's `available` area and the
// subtitle window (`subtitle` is its size) beside it, else below it, narrowing the main window
// a little where that makes room; on a screen too small for both, the subtitle window goes to
// the far corner.
FirstPlacement FirstStartPlacement(const QRect &available, const QSize &subtitle);
