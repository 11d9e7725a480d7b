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

// Source-over where the picture already has colour; on black, all or nothing at 96/255 coverage.
void putLetters(QImage &picture, const QImage &letters)
{
    for (int y = 0; y < picture.height(); ++y) {
        QRgb *out = reinterpret_cast<QRgb *>(picture.scanLine(y));
        const QRgb *in = reinterpret_cast<const QRgb *>(letters.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb s = in[x];
            const int a = qAlpha(s);
            if (a == 0)
                continue;
            const QRgb d = out[x];
            if ((d & 0x00FFFFFF) == 0) {
                if (a >= 96)
                    out[x] = qUnpremultiply(s) | 0xFF000000;
                continue;
            }
            const int keep = 255 - a;
            out[x] = qRgb(qRed(s) + (qRed(d) * keep + 127) / 255,
                          qGreen(s) + (qGreen(d) * keep + 127) / 255,
                          qBlue(s) + (qBlue(d) * keep + 127) / 255);
        }
    }
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
    p.end();

    // Letters go on a layer of their own. Where they cover the black background they are cut
    // at a coverage threshold instead of being blended into black, which would leave a dark fringe
    // on the broadcast; over the frame, the marks or a background picture they blend.
    QImage letters(l.frame, QImage::Format_ARGB32_Premultiplied);
    letters.fill(Qt::transparent);
    QPainter lp(&letters);
    lp.setRenderHint(QPainter::TextAntialiasing);
    if (l.drawNameTag) {
        lp.setFont(l.nameTagFont);
        lp.setPen(l.nameTagColour);
        print(lp, {l.nameTag}, l.nameTagAt, false);
    }

    lp.setFont(l.font);
    switch (l.decoration) {
    case FontDecoration::Shadow:
    case FontDecoration::Copies:
        lp.setPen(l.outlineColour);
        for (const QPoint &at : l.copies)
            print(lp, l.lines, at, l.copiesEachLineAtX);
        break;
    case FontDecoration::PathOutline: {
        // Only the stroke shows: the path is not filled.
        lp.save();
        lp.setRenderHint(QPainter::Antialiasing);
        lp.strokePath(captionPath(l), QPen(l.outlineColour, l.penWidth, Qt::SolidLine, Qt::RoundCap,
                                           Qt::RoundJoin));
        lp.restore();
        break;
    }
    case FontDecoration::None:
        break;
    }

    lp.setPen(l.textColour);
    print(lp, l.lines, l.pos, false);
    lp.end();

    putLetters(picture, letters);
    return picture;
}
