#pragma once

#include <QString>

struct SpeechOptions;

// What a subtitle becomes when it is read aloud. `text` is the subtitle's text (tags removed,
// entities decoded), `name` the poster's name or empty. Blanks and line breaks become one
// blank, an address becomes "URL", a run of w or ｗ that ends a phrase becomes "わら", the
// name goes first when `ReadName` is 1, and a result over `MaxChars` characters is cut and
// ends with "以下略". Empty when nothing is left to read.
QString SpeechText(const QString &text, const QString &name, const SpeechOptions &options);
