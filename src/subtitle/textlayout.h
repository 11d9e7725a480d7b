#pragma once

#include "settings/options.h"
#include "subtitle/makuentry.h"

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

// The program-wide flags a draw depends on.
struct TextDrawFlags
{
    bool DragPointView = false;
    bool GameOpen = false;
};

enum class FontDecoration
{
    None,
    Shadow,      // one copy to the lower right, from 16 points up
    PathOutline, // the caption's outline stroked with a wide pen
    Copies,      // four or eight copies around the caption
};

// Everything one TextDraw decides, in pixels, ready to be painted.
struct SubtitleLayout
{
    QSize frame;                  // window size W × H
    bool frameFromSetting = true; // false when WakuSize was unusable and the last good size stayed
    QString command;              // the command words in force ("" in normal mode)

    bool paintBackPicture = false;
    QColor frameColour;

    bool setClipboard = false;
    QString clipboardText;

    QRect dragMark; // empty when none is drawn
    bool drawFrame = false;
    QRect frameRect; // its one-pixel outline runs along the edge pixels

    bool drawNameTag = false;
    QString nameTag;
    QPoint nameTagAt;
    QFont nameTagFont;
    QColor nameTagColour;

    QString text;      // the caption after the ID, number/name and limit steps
    QStringList lines; // the caption split at its line breaks
    bool multiLine = false;

    int startPointSize = 0; // before fitting
    int pointSize = 0;      // after fitting
    QFont font;
    QSize textSize; // widest line × sum of line heights
    int lineHeight = 0;
    int ascent = 0;

    qint32 colourCode = 0;
    qint32 outlineCode = 0;
    QColor textColour;
    QColor outlineColour;

    QPoint pos; // top-left of the caption's first line

    FontDecoration decoration = FontDecoration::None;
    QVector<QPoint> copies;        // where the shadow or the outline copies are printed
    bool copiesEachLineAtX = true; // copies keep every line at their X; the shadow does not
    int penWidth = 0;              // path outline only
};

namespace TextLayout {

// A colour integer (blue·65536 + green·256 + red) as a colour.
QColor ColourOf(qint32 code);
// Point sizes are for 96 dots per inch whatever the screen says: 1 point = 4/3 pixel.
int PointsToPixels(int points);
// The bold subtitle face (or the plain one for the name tag) at the given size.
QFont SubtitleFont(int points, bool bold = true);
// Splits at CR LF (or a lone CR or LF).
QStringList SplitLines(const QString &text);
// Widest line × sum of the line heights.
QSize MeasureText(const QString &text, const QFont &font);

// Pen width of the path outline and distance of the outline copies for a size in points.
int PathPenWidth(int points);
int CopyDistance(int points);

// What FontDecorate sets off a caption of a size in points with: copies in the outline colour
// at offsets from the caption (the shadow, or the outline copies), or the path outline's pen.
struct Decoration
{
    FontDecoration kind = FontDecoration::None;
    QVector<QPoint> offsets;
    int penWidth = 0;
};
Decoration DecorationOf(int fontDecorate, int points);

constexpr int kMinPointSize = 8;
const QString &LimitMark();
const QString &NameTagText();

} // namespace TextLayout

// Everything TextDraw decides for an entry: frame, marks, caption, size, fitting, colours,
// position, decoration. `lastFrame` is kept when WakuSize is unusable.
SubtitleLayout LayoutTextDraw(const MakuEntry &entry, const Options &opt,
                              const TextDrawFlags &flags, QSize lastFrame = kDefaultWaku);
