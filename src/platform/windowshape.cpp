#include "platform/windowshape.h"

#include <QVector>
#include <QWidget>
#include <QWindow>

QRegion RegionFromImage(const QImage &image, QRgb key, QRect within)
{
    if (image.isNull())
        return QRegion();
    const QImage pixels = image.format() == QImage::Format_RGB32 ||
                                  image.format() == QImage::Format_ARGB32 ||
                                  image.format() == QImage::Format_ARGB32_Premultiplied
                              ? image
                              : image.convertToFormat(QImage::Format_RGB32);
    const QRgb keyRgb = key & 0x00FFFFFF;
    const QRect area = within.isNull() ? pixels.rect() : within & pixels.rect();
    const int left = area.left();
    const int end = area.right() + 1;

    // Bands as QRegion::setRects wants them: Y-X sorted, one height per band, no two
    // rectangles abutting; identical neighbouring rows are merged into one taller band.
    QVector<QRect> rects;
    QVector<QPair<int, int>> previousRuns;
    QVector<QPair<int, int>> runs;
    int bandStart = -1;
    int previousRow = -2;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
        runs.clear();
        int x = left;
        while (x < end) {
            while (x < end && (line[x] & 0x00FFFFFF) == keyRgb)
                ++x;
            if (x == end)
                break;
            const int start = x;
            while (x < end && (line[x] & 0x00FFFFFF) != keyRgb)
                ++x;
            runs.append({start, x - start});
        }
        if (runs.isEmpty())
            continue;
        if (previousRow == y - 1 && runs == previousRuns) {
            for (int i = bandStart; i < rects.size(); ++i)
                rects[i].setBottom(y);
        } else {
            bandStart = int(rects.size());
            for (const auto &run : std::as_const(runs))
                rects.append(QRect(run.first, y, run.second, 1));
            previousRuns = runs;
        }
        previousRow = y;
    }
    QRegion region;
    if (!rects.isEmpty())
        region.setRects(rects.constData(), int(rects.size()));
    return region;
}

QImage KeyColourToTransparent(const QImage &image, QRgb key)
{
    QImage out;
    KeyColourToTransparent(image, out, image.rect(), key);
    return out;
}

void KeyColourToTransparent(const QImage &image, QImage &out, QRect within, QRgb key)
{
    if (image.isNull()) {
        out = QImage();
        return;
    }
    if (out.size() != image.size() || out.format() != QImage::Format_ARGB32_Premultiplied) {
        out = QImage(image.size(), QImage::Format_ARGB32_Premultiplied);
        within = image.rect();
    }
    const QImage pixels = image.format() == QImage::Format_RGB32 ||
                                  image.format() == QImage::Format_ARGB32_Premultiplied
                              ? image
                              : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QRgb keyRgb = key & 0x00FFFFFF;
    const QRect area = within & image.rect();
    const int left = area.left();
    const int right = area.right();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const QRgb *in = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
        QRgb *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = left; x <= right; ++x)
            line[x] = (in[x] & 0x00FFFFFF) == keyRgb ? 0 : (in[x] | 0xFF000000);
    }
}

void SetWindowRegion(QWidget *window, const QRegion &region)
{
    if (window)
        window->setMask(region);
}

void ClearWindowRegion(QWidget *window)
{
    if (window)
        window->clearMask();
}

void PrepareTransparentWindow(QWidget *window)
{
    if (!window)
        return;
    window->setAttribute(Qt::WA_TranslucentBackground);
    window->setAttribute(Qt::WA_NoSystemBackground);
}

void SetClickThrough(QWidget *window)
{
    if (!window || IsClickThrough(window))
        return;
    // Through the native window, so a shown window is not hidden by the flag change.
    if (QWindow *handle = window->windowHandle(); handle && window->isVisible()) {
        handle->setFlag(Qt::WindowTransparentForInput, true);
        window->overrideWindowFlags(handle->flags());
    } else {
        window->setWindowFlag(Qt::WindowTransparentForInput, true);
    }
}

bool IsClickThrough(const QWidget *window)
{
    return window && window->windowFlags().testFlag(Qt::WindowTransparentForInput);
}
