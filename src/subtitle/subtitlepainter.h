#pragma once

#include <QImage>

struct SubtitleLayout;

// Paints one subtitle layout into a picture of the frame's size on the black background:
// background picture, drag mark, frame, name tag, decoration, then the caption.
QImage PaintSubtitle(const SubtitleLayout &layout, const QImage &backPicture = QImage());
