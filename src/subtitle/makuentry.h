#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

struct Program;

// Queue entries as drawn: their fields, their text and sound, and the draws that do not come
// from the queue (free text, idle text).

// The one drawing operation of the subtitle window:
// TextDraw(Text, Command, NoRes, ID, Name, Number). Arguments are throw-away copies.
using TextDrawHook = std::function<void(QString Text, QString Command, bool NoRes, QString ID,
                                        QString Name, QString Number)>;

// The idle text and its command words as the idle-text dialog holds them right now.
struct IdleText
{
    QString text;
    QString command;
};
using IdleTextHook = std::function<IdleText()>;

// A queued message (HTML) as subtitle text: line breaks, no tags, entities decoded, the
// leading blank of the board format dropped.
QString GetMakuReplace(const QString &text);
// The fields of a queue entry, padded so that fields 0 to 4 always exist.
QStringList SplitMakuEntry(const QString &entry);
// The sound for a shown entry whose raw message is `message`, as a full path; empty for none.
QString MakuSoundFor(const Program &program, const QString &message);

// Draws the idle text. In normal mode a non-empty command switches command mode on for this
// one call, so the idle text's command words take effect; normal mode is back afterwards.
void DrawIdleText(Program &program, const TextDrawHook &draw, const QString &text,
                  const QString &command);

// Asks one line of text; nullopt when the prompt was cancelled.
using AskTextHook = std::function<std::optional<QString>(const QString &prompt)>;
// Free text: drag mark on, ask for the text and the command words, draw at once.
// False when the first answer was empty or cancelled (nothing drawn).
bool FreeDraw(Program &program, const TextDrawHook &draw, const AskTextHook &ask);
