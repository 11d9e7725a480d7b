#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// The command words viewers write into the mail field, and which of them are enabled.
namespace Commands {

// The 17 words in list order: positions, sizes, colours.
const QStringList &CommandWords();

// Enable flags from the stored form "1,0,1,…,"; items beyond the stored values stay disabled.
QVector<bool> ParseEnableCommand(const QString &stored);
QString FormatEnableCommand(const QVector<bool> &enabled);

} // namespace Commands

// The mail field with every disabled command word removed.
QString GetEnableCommand(const QString &text, const QVector<bool> &enabled);
