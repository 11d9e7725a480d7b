#pragma once

#include "settings/commandwords.h"

#include <QString>

// What the command words do to a subtitle: the colour tables and the sizes.

// Point size chosen by the size words of a command text, or 0 when it has none.
int CommandFontSize(const QString &command);
// Point size for the FontSize setting (0 normal … 4 gigantic).
int FontSizePoints(int fontSize);
