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

// Text colour of a command text (blue·65536 + green·256 + red); `fallback` when it names none.
qint32 GetColorCode(const QString &command, qint32 fallback);
// Outline colour for a text colour; black for a colour outside the table.
qint32 GetFuchiColorCode(qint32 code);
