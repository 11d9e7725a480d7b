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
    // with their smooth edges, for pages that lay it over video. The frame, the drag mark and
    // the name tag are left out: they exist to place and grab a window, and a page is neither.
    QImage transparentPicture(const QRect &area) const;

private:
    bool updateBase(const SubtitleLayout &layout, const QImage &backPicture);
    QRect paintLetters(const SubtitleLayout &layout);

    void paintNameTag(const SubtitleLayout &layout);

    // What the picture holds under the letters (background, marks, frame, name tag), and what
    // it was made from; the background alone on transparent for pages (null without one).
    QImage m_base;
    QImage m_pageBase;
    struct BaseKey
    {
        QSize frame;
        qint64 back = 0;
        QRect dragMark;
        bool drawFrame = false;
        QRect frameRect;
        QColor frameColour;
        QString nameTag; // empty when none is drawn
        bool operator==(const BaseKey &o) const
        {
            return frame == o.frame && back == o.back && dragMark == o.dragMark &&
                   drawFrame == o.drawFrame && frameRect == o.frameRect &&
                   frameColour == o.frameColour && nameTag == o.nameTag;
        }
    } m_baseKey;
    QImage m_picture;
    QImage m_letters; // the caption alone, transparent outside m_lettersBox
    QRect m_lettersBox;
};
