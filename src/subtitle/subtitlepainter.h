#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

struct SubtitleLayout;

// Paints subtitle layouts into one picture of the frame's size on the black background:
// background picture, drag mark, frame, name tag, decoration, then the caption. The picture and
// its layers are kept between draws, so a new subtitle only repaints where letters were or are.
class SubtitlePainter
{
public:
    // Paints the layout; answers the rectangle whose pixels may differ from the last paint
    // (the whole frame when the frame, its marks or the background picture changed).
    QRect paint(const SubtitleLayout &layout, const QImage &backPicture = QImage());
    const QImage &picture() const { return m_picture; }
    // The part `area` of the last paint on a transparent background instead of black, letters
    // with their smooth edges, for pages that lay it over video. The drag mark is left out:
    // nothing drags a page.
    QImage transparentPicture(const QRect &area) const;

private:
    bool updateBase(const SubtitleLayout &layout, const QImage &backPicture);
    QRect paintLetters(const SubtitleLayout &layout);

    // What the picture holds under the letters, and what it was made from.
    QImage m_base;
    struct BaseKey
    {
        QSize frame;
        qint64 back = 0;
        QRect dragMark;
        bool drawFrame = false;
        QRect frameRect;
        QColor frameColour;
        bool operator==(const BaseKey &o) const
        {
            return frame == o.frame && back == o.back && dragMark == o.dragMark &&
                   drawFrame == o.drawFrame && frameRect == o.frameRect &&
                   frameColour == o.frameColour;
        }
    } m_baseKey;
    QImage m_picture;
    QImage m_letters; // transparent outside m_lettersBox
    QRect m_lettersBox;
};
