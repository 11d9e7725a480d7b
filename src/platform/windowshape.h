#pragma once

#include <QImage>
#include <QRegion>

class QWidget;

// The region covering exactly the pixels of `image` that are not the key colour (black by
// default), built from the runs of each scanline; rows with the same runs share one band.
// With `within`, only the pixels inside that rectangle are looked at.
QRegion RegionFromImage(const QImage &image, QRgb key = qRgb(0, 0, 0), QRect within = QRect());
// The picture with the key colour fully transparent and every other pixel fully opaque.
QImage KeyColourToTransparent(const QImage &image, QRgb key = qRgb(0, 0, 0));
// The same for the pixels of `within` only, written into `out`, a picture of the same size
// (made when it has another size, and then converted whole).
void KeyColourToTransparent(const QImage &image, QImage &out, QRect within,
                            QRgb key = qRgb(0, 0, 0));

// Cuts a window to a region (region mode); an empty region shows the whole window.
void SetWindowRegion(QWidget *window, const QRegion &region);
void ClearWindowRegion(QWidget *window);
// Lets the window carry per-pixel transparency; call before it is first shown.
void PrepareTransparentWindow(QWidget *window);
// Lets mouse input pass through the window to what lies behind it. Only ever switched on:
// a shown window keeps its place.
void SetClickThrough(QWidget *window);
bool IsClickThrough(const QWidget *window);
