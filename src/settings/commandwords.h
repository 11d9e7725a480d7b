#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// The command words viewers write into the mail field, which of them are enabled, and what the
// size and colour words stand for. Each word exists once, in the tables of commandwords.cpp.
namespace Commands {

// Every word in list order (lstCommand, EnableCommand): positions, sizes, colours.
const QStringList &CommandWords();
// The size words in the order of the FontSize setting: value i is word i.
const QStringList &SizeWords();
// The colour words in the order of the FontColor setting: value i is word i.
const QStringList &ColourWords();

// Enable flags from the stored form "1,0,1,…,"; items beyond the stored values stay disabled.
QVector<bool> ParseEnableCommand(const QString &stored);
QString FormatEnableCommand(const QVector<bool> &enabled);

} // namespace Commands

// The mail field with every disabled command word removed.
QString GetEnableCommand(const QString &text, const QVector<bool> &enabled);

// Where the position words of a command text put the text: the first of "naka", "shita" and
// "ue" found (the "ue" of "blue" does not count); None when it has none.
enum class CommandPlace
{
    None,
    Top,
    Middle,
    Bottom
};
CommandPlace CommandPlaceOf(const QString &command);

// Point size chosen by the size words of a command text, or 0 when it has none.
int CommandFontSize(const QString &command);
// Point size for the FontSize setting (0 normal … 4 gigantic).
int FontSizePoints(int fontSize);

// Text colour of a command text (blue·65536 + green·256 + red); `fallback` when it names none.
qint32 GetColorCode(const QString &command, qint32 fallback);
// Outline colour for a text colour; black for a colour outside the table.
qint32 GetFuchiColorCode(qint32 code);
