#pragma once

#include "subtitle/makuentry.h"

#include <QObject>

class SubtitleQueue;
struct Program;

// Wait added to the short-queue pacing for a `Speed` setting.
int SpeedAdjustment(int speed);
// Ticks of 100 ms before the next entry, for `waiting` entries left and adjustment `a`.
int PacingWait(int waiting, int a);

// The `tmrMaku` tick as a plain step over the queue's countdown and entries: the main window
// calls tmrMaku_Timer() every 100 ms; nothing here keeps time itself.
class SubtitlePacing : public QObject
{
    Q_OBJECT
public:
    SubtitlePacing(SubtitleQueue &queue, Program &program, QObject *parent = nullptr);

    // The idle-text dialog's current text and command; consulted while `NoResOpen` is set.
    void setIdleText(IdleTextHook idle) { m_idle = std::move(idle); }

    void tmrMaku_Timer();

signals:
    // TextDraw on the subtitle window.
    void textDrawRequested(const MakuEntry &entry);
    // The sound of a shown entry, as a full path; played without waiting.
    void waveRequested(const QString &path);

private:
    SubtitleQueue &m_queue;
    Program &m_program;
    IdleTextHook m_idle;
};
