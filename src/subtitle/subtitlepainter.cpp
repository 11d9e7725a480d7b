#include "subtitle/subtitlepainter.h"

#include "subtitle/textlayout.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <cstring>

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

// Where print() can put ink, with room to spare for antialiasing and glyphs of fallback fonts.
QRect printBox(const QFontMetrics &metrics, const QStringList &lines, QPoint at, bool eachLineAtX)
{
    const int margin = 2 + metrics.height() / 4;
    QRect box;
    for (int i = 0; i < lines.size(); ++i) {
        const int x = (i == 0 || eachLineAtX) ? at.x() : 0;
        const int baseline = at.y() + i * metrics.height() + metrics.ascent();
        const QRect advance(x, baseline - metrics.ascent(), metrics.horizontalAdvance(lines[i]),
                            metrics.height());
        box |= (advance | metrics.boundingRect(lines[i]).translated(x, baseline))
                   .adjusted(-margin, -margin, margin, margin);
    }
    return box;
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
// The letters' pixel (0, 0) lies at `origin` of the picture.
void putLetters(QImage &picture, const QImage &letters, const QRect &box, QPoint origin = {})
{
    const int left = box.left();
    const int right = box.right();
    for (int y = box.top(); y <= box.bottom(); ++y) {
        QRgb *out = reinterpret_cast<QRgb *>(picture.scanLine(y));
        const QRgb *in =
            reinterpret_cast<const QRgb *>(letters.constScanLine(y - origin.y())) - origin.x();
        for (int x = left; x <= right; ++x) {
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

// Copies the pixels of `box` from one picture of the same size and format to another.
void copyBox(QImage &to, const QImage &from, const QRect &box)
{
    if (box.isEmpty())
        return;
    const size_t bytes = size_t(box.width()) * sizeof(QRgb);
    for (int y = box.top(); y <= box.bottom(); ++y)
        std::memcpy(reinterpret_cast<QRgb *>(to.scanLine(y)) + box.left(),
                    reinterpret_cast<const QRgb *>(from.constScanLine(y)) + box.left(), bytes);
}

void clearBox(QImage &image, const QRect &box)
{
    if (box.isEmpty())
        return;
    const size_t bytes = size_t(box.width()) * sizeof(QRgb);
    for (int y = box.top(); y <= box.bottom(); ++y)
        std::memset(reinterpret_cast<QRgb *>(image.scanLine(y)) + box.left(), 0, bytes);
}

} // namespace

QRect SubtitlePainter::paint(const SubtitleLayout &l, const QImage &backPicture)
{
    if (l.frame.isEmpty()) {
        m_picture = m_base = m_letters = QImage();
        m_baseKey = BaseKey();
        m_lettersBox = QRect();
        return QRect();
    }
    QRect changed;
    if (updateBase(l, backPicture)) {
        // New marks or background: everything is painted again.
        if (m_picture.size() != l.frame) {
            m_picture = QImage(l.frame, QImage::Format_RGB32);
            m_letters = QImage(l.frame, QImage::Format_ARGB32_Premultiplied);
            m_letters.fill(Qt::transparent);
        } else {
            clearBox(m_letters, m_lettersBox);
        }
        copyBox(m_picture, m_base, m_base.rect());
        changed = m_picture.rect();
    } else {
        copyBox(m_picture, m_base, m_lettersBox);
        clearBox(m_letters, m_lettersBox);
        changed = m_lettersBox;
    }
    m_lettersBox = paintLetters(l);
    putLetters(m_picture, m_letters, m_lettersBox);
    return changed | m_lettersBox;
}

bool SubtitlePainter::updateBase(const SubtitleLayout &l, const QImage &backPicture)
{
    const bool back = l.paintBackPicture && !backPicture.isNull();
    const BaseKey key{
        l.frame,       back ? backPicture.cacheKey() : 0,    l.dragMark, l.drawFrame, l.frameRect,
        l.frameColour, l.drawNameTag ? l.nameTag : QString()};
    if (!m_base.isNull() && key == m_baseKey)
        return false;
    m_baseKey = key;
    m_base = QImage(l.frame, QImage::Format_RGB32);
    m_base.fill(Qt::black);
    QPainter p(&m_base);
    if (back) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRect(QPoint(0, 0), l.frame), backPicture);
    }
    m_pageBase = back ? m_base.copy() : QImage();

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
    if (l.drawNameTag)
        paintNameTag(l);
    return true;
}

// The name tag belongs to the marks, under the caption: cut or blended as letters are.
void SubtitlePainter::paintNameTag(const SubtitleLayout &l)
{
    const QRect box =
        printBox(QFontMetrics(l.nameTagFont, &m_base), {l.nameTag}, l.nameTagAt, false) &
        m_base.rect();
    if (box.isEmpty())
        return;
    QImage tag(box.size(), QImage::Format_ARGB32_Premultiplied);
    tag.fill(Qt::transparent);
    QPainter p(&tag);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.translate(-box.topLeft());
    p.setFont(l.nameTagFont);
    p.setPen(l.nameTagColour);
    print(p, {l.nameTag}, l.nameTagAt, false);
    p.end();
    putLetters(m_base, tag, box, box.topLeft());
}

// Letters go on a layer of their own. Where they cover the black background they are cut at a
// coverage threshold instead of being blended into black, which would leave a dark fringe on
// the broadcast; over the frame, the marks or a background picture they blend. Answers the box
// that holds every letter pixel.
QRect SubtitlePainter::paintLetters(const SubtitleLayout &l)
{
    QPainter lp(&m_letters);
    lp.setRenderHint(QPainter::TextAntialiasing);
    QRect box;
    lp.setFont(l.font);
    const QFontMetrics metrics = lp.fontMetrics();
    switch (l.decoration) {
    case FontDecoration::Shadow:
    case FontDecoration::Copies:
        for (const QPoint &at : l.copies)
            box |= printBox(metrics, l.lines, at, l.copiesEachLineAtX);
        break;
    case FontDecoration::PathOutline: {
        const int reach = l.penWidth + 2;
        box |= captionPath(l).boundingRect().toAlignedRect().adjusted(-reach, -reach, reach, reach);
        break;
    }
    case FontDecoration::None:
        break;
    }
    box |= printBox(metrics, l.lines, l.pos, false);
    box &= m_letters.rect();
    if (box.isEmpty())
        return QRect();
    // Nothing is painted outside the box, so the layer stays clear there.
    lp.setClipRect(box);

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
    return box;
}

QImage SubtitlePainter::transparentPicture(const QRect &wanted) const
{
    const QRect area = wanted & m_base.rect();
    if (area.isEmpty())
        return QImage();
    QImage out(area.size(), QImage::Format_ARGB32_Premultiplied);
    if (m_pageBase.isNull())
        out.fill(Qt::transparent);
    for (int y = 0; y < area.height() && !m_pageBase.isNull(); ++y) {
        const QRgb *in =
            reinterpret_cast<const QRgb *>(m_pageBase.constScanLine(area.top() + y)) + area.left();
        QRgb *o = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < area.width(); ++x)
            o[x] = (in[x] & 0x00FFFFFF) == 0 ? 0 : in[x] | 0xFF000000;
    }
    const QRect letters = m_lettersBox & area;
    if (!letters.isEmpty())
        QPainter(&out).drawImage(letters.topLeft() - area.topLeft(), m_letters, letters);
    return out;
}
