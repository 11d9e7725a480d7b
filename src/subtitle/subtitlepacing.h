#pragma once

#include "subtitle/makuentry.h"

class SubtitleQueue;
struct Program;

// Wait added to the short-queue pacing for a `Speed` setting.
int SpeedAdjustment(int speed);
// Ticks of 100 ms before the next entry, for `waiting` entries left and adjustment `a`.
int PacingWait(int waiting, int a);

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
