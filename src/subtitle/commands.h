#pragma once

#include "settings/commandwords.h"

#include <QString>

// What the command words do to a subtitle: the colour tables and the sizes.

// Text colour of a command text (blue·65536 + green·256 + red); `fallback` when it names none.
qint32 GetColorCode(const QString &command, qint32 fallback);
// Outline colour for a text colour; black for a colour outside the table.
qint32 GetFuchiColorCode(qint32 code);
// Point size chosen by the size words of a command text, or 0 when it has none.
int CommandFontSize(const QString &command);
// Point size for the FontSize setting (0 normal … 4 gigantic).
int FontSizePoints(int fontSize);
