#pragma once

#include <QString>
#include <functional>
#include <optional>

struct Program;

// One subtitle: what the queue holds, what pacing hands on and what TextDraw draws. The queue
// list, the game's judge and the browser source read the fields they need; its text form is
// made only for the queue list a person reads.
struct MakuEntry
{
    enum class Kind
    {
        Post,     // a new post of the thread
        Notice,   // the program's own notice (post 1000)
        FreeText, // typed by the user, or a draw that only clears the window
        IdleText, // the standing text of the idle-text dialog
    };

    Kind kind = Kind::FreeText;
    QString command; // command words: a post's mail field without the disabled words
    QString message; // a post's or notice's message as HTML; for the other kinds the text itself
    QString id;      // "ID:" and the poster's ID, a "/" in it written as ":"; "" without one
    QString name;    // the poster's name without tags
    QString number;  // the post number in decimal, "???" for the notice; "" for the other kinds
    qint64 received = 0; // when it came from the board (ReceiptClock()); 0 until queued
    // The idle text as pacing and the dialog's 表示 draw it: its command words count in normal
    // mode too. Other redraws of the idle text leave normal mode alone.
    bool commandWordsAlways = false;

    // What TextDraw draws: a post's or notice's message as subtitle text, any other text as is.
    QString text() const;
    // The entry's text form: the five fields joined by "<>".
    QString listText() const;
    // The waiting list's row as a person reads it: number, name and message on one line, as
    // plain text without tags.
    QString rowText() const;
    bool isIdleText() const { return kind == Kind::IdleText; }

    // A free text; an empty one clears the window, "　" leaves only the frame and marks.
    static MakuEntry freeText(const QString &text, const QString &command = QString());
};

// Milliseconds of a clock that only goes forward: receipt times and their ages.
qint64 ReceiptClock();

// The one drawing operation of the subtitle window.
using TextDrawHook = std::function<void(const MakuEntry &entry)>;

// The idle text and its command words as the idle-text dialog holds them right now.
struct IdleText
{
    QString text;
    QString command;

    // As pacing and 表示 draw it (commandWordsAlways), or as a redraw keeps it.
    MakuEntry entry(bool commandWordsAlways) const;
};
using IdleTextHook = std::function<IdleText()>;

// A queued message (HTML) as subtitle text: line breaks, no tags, entities decoded, the
// leading blank of the board format dropped.
QString GetMakuReplace(const QString &text);
// The sound for a shown entry whose raw message is `message`, as a full path; empty for none.
QString MakuSoundFor(const Program &program, const QString &message);

// Asks one line of text; nullopt when the prompt was cancelled.
using AskTextHook = std::function<std::optional<QString>(const QString &prompt)>;
// The free text's second question: which command words, listing every word it accepts.
QString CommandPrompt();
// Free text: drag mark on, ask for the text and the command words, draw at once.
// False when the first answer was empty or cancelled (nothing drawn).
bool FreeDraw(Program &program, const TextDrawHook &draw, const AskTextHook &ask);
