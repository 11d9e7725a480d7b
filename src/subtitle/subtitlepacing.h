#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class SubtitleQueue;
struct Program;

// The one drawing operation of the subtitle window:
// TextDraw(Text, Command, NoRes, ID, Name, Number). Arguments are throw-away copies.
using TextDrawHook = std::function<void(QString Text, QString Command, bool NoRes, QString ID,
                                        QString Name, QString Number)>;
// Plays a wave file without waiting.
using PlayWaveHook = std::function<void(const QString &path)>;

// The idle text and its command words as the idle-text dialog holds them right now.
struct IdleText
{
    QString text;
    QString command;
};
using IdleTextHook = std::function<IdleText()>;

// Wait added to the short-queue pacing for a `Speed` setting.
int SpeedAdjustment(int speed);
// Ticks of 100 ms before the next entry, for `waiting` entries left and adjustment `a`.
int PacingWait(int waiting, int a);

// Replaces every span from `open` to the next `close` (both included) by `replacement`;
// an `open` with no `close` after it is replaced alone.
QString ReplaceEnclosed(const QString &text, const QString &open, const QString &close,
                        const QString &replacement);
// The four entities the board writes into messages, decoded so that "&amp;gt;" ends as ">".
QString DecodeEntities(const QString &text);
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

// The `tmrMaku` tick as a plain step over the queue's countdown and entries: the main window
// calls tmrMaku_Timer() every 100 ms; nothing here keeps time itself.
class SubtitlePacing
{
public:
    SubtitlePacing(SubtitleQueue &queue, Program &program);

    void setTextDraw(TextDrawHook draw) { m_draw = std::move(draw); }
    void setPlayWave(PlayWaveHook play) { m_play = std::move(play); }
    // The idle-text dialog's current text and command; consulted while `NoResOpen` is set.
    void setIdleText(IdleTextHook idle) { m_idle = std::move(idle); }

    void tmrMaku_Timer();

private:
    void draw(const QString &text, const QString &command, bool noRes, const QString &id,
              const QString &name, const QString &number);

    SubtitleQueue &m_queue;
    Program &m_program;
    TextDrawHook m_draw;
    PlayWaveHook m_play;
    IdleTextHook m_idle;
};
