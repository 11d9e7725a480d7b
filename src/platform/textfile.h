#pragma once

#include <QString>

// Whole-file Shift_JIS reading and writing; these never throw and report failure as "" or false.
QString ReadTextFile(const QString &path);
bool WriteTextFile(const QString &path, const QString &text);
bool FileExists(const QString &path);
