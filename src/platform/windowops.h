#pragma once

#include <QString>

class QWidget;

// Puts a window into (mode 1) or out of (mode 0) the topmost band without moving it.
void SetTopMost(QWidget *window, int mode);
// Hands an address to the desktop's default handler.
bool OpenExternal(const QString &address);
void SetClipboardText(const QString &text);
QString ClipboardText();
