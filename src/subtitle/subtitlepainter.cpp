#include "subtitle/subtitlepainter.h"

#include "subtitle/textlayout.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace {

// Prints lines from (x, y), one line height apart. Lines after the first start at x when
// `eachLineAtX`, otherwise at the left edge, as plain printing continues.
void print(QPainter &p, const QStringList &lines, QPoint at, bool eachLineAtX)
{
    const QFontMetrics metrics = p.fontMetrics();
    for (int i = 0; i < lines.size(); ++i) {
        const int x = (i == 0 || eachLineAtX) ? at.x() : 0;
        const int baseline = at.y() + i * metrics.height() + metrics.ascent();
        p.drawText(QPoint(x, baseline), lines[i]);
    }
}

QPainterPath captionPath(const SubtitleLayout &l)
{
    QPainterPath path;
    for (int i = 0; i < l.lines.size(); ++i) {
        const int x = i == 0 ? l.pos.x() : 0;
        const int baseline = l.pos.y() + i * l.lineHeight + l.ascent;
        path.addText(QPointF(x, baseline), l.font, l.lines[i]);
    }
    return path;
}

} // namespace

QImage PaintSubtitle(const SubtitleLayout &l, const QImage &backPicture)
{
    QImage picture(l.frame, QImage::Format_RGB32);
    if (picture.isNull())
        return picture;
    picture.fill(Qt::black);
    QPainter p(&picture);

    if (l.paintBackPicture && !backPicture.isNull()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRect(QPoint(0, 0), l.frame), backPicture);
    }

    if (!l.dragMark.isEmpty())
        p.fillRect(l.dragMark, l.frameColour);

    if (l.drawFrame) {
        const QRect r = l.frameRect;
        p.fillRect(QRect(r.left(), r.top(), r.width(), 1), l.frameColour);
        p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), l.frameColour);
        p.fillRect(QRect(r.left(), r.top(), 1, r.height()), l.frameColour);
        p.fillRect(QRect(r.right(), r.top(), 1, r.height()), l.frameColour);
    }

    p.setRenderHint(QPainter::TextAntialiasing);
    if (l.drawNameTag) {
        p.setFont(l.nameTagFont);
        p.setPen(l.nameTagColour);
        print(p, {l.nameTag}, l.nameTagAt, false);
    }

    p.setFont(l.font);
    switch (l.decoration) {
    case FontDecoration::Shadow:
    case FontDecoration::Copies:
        p.setPen(l.outlineColour);
        for (const QPoint &at : l.copies)
            print(p, l.lines, at, l.copiesEachLineAtX);
        break;
    case FontDecoration::PathOutline: {
        // Only the stroke shows: the path is not filled.
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        p.strokePath(captionPath(l),
                     QPen(l.outlineColour, l.penWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.restore();
        break;
    }
    case FontDecoration::None:
        break;
    }

    p.setPen(l.textColour);
    print(p, l.lines, l.pos, false);
    return picture;
}
