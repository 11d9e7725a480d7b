#pragma once

#include <QString>
#include <optional>

// Whole-file Shift_JIS reading and writing; these never throw and report failure as "" or false.
QString ReadTextFile(const QString &path);
bool WriteTextFile(const QString &path, const QString &text);
bool FileExists(const QString &path);

// UTF-8 files the user may edit. A missing file reads as ""; nothing when the file is there but
// cannot be read whole (unreadable, above maxBytes, not UTF-8): such a file must not be
// replaced by what the program made of it. A byte-order mark is dropped.
std::optional<QString> ReadUtf8File(const QString &path, qint64 maxBytes);
bool WriteUtf8File(const QString &path, const QString &text);
