#include "subtitle/subtitlepacing.h"

#include "settings/program.h"
#include "subtitle/subtitlequeue.h"

int SpeedAdjustment(int speed)
{
    switch (speed) {
    case 0: // 遅い
        return 10;
    case 1: // 遅め
        return 5;
    case 4: // 早い
        return -1;
    case 5: // only reachable through a stored value
        return -2;
    default: // 通常, 早め and anything else
        return 0;
    }
}

int PacingWait(int waiting, int a)
{
    if (waiting <= 1)
        return 70 + 5 * a;
    if (waiting <= 3)
        return 50 + 3 * a;
    if (waiting <= 7)
        return 20 + 2 * a;
    if (waiting <= 10)
        return 15;
    if (waiting <= 20)
        return 8;
    if (waiting <= 30)
        return 5;
    return 2;
}

SubtitlePacing::SubtitlePacing(SubtitleQueue &queue, Program &program, QObject *parent)
    : QObject(parent), m_queue(queue), m_program(program)
{}

void SubtitlePacing::tmrMaku_Timer()
{
    const int current = m_queue.countdown();
    if (current < 0) {
        // Anything below -1 would count down for ever; it means idle as well.
        if (current != -1)
            m_queue.setCountdown(-1);
        return;
    }
    const int value = current - 1;
    m_queue.setCountdown(value);

    const AppFlags &flags = m_program.flags;
    if (!flags.MakuShown || flags.MakuStop)
        return;
    const int a = SpeedAdjustment(m_program.opt.Speed);
    if (value != 0)
        return;

    if (m_queue.isEmpty()) {
        // The idle text's command words count in normal mode too; an empty draw clears.
        if (flags.NoResOpen && m_idle)
            emit textDrawRequested(m_idle().entry(true));
        else
            emit textDrawRequested(MakuEntry());
        m_queue.setCountdown(-1);
        return;
    }

    const MakuEntry head = m_queue.entries().constFirst();
    emit textDrawRequested(head);
    const QString sound = MakuSoundFor(m_program, head.message);
    if (!sound.isEmpty())
        emit waveRequested(sound);
    m_queue.takeFirst();

    const int waiting = m_queue.count();
    m_queue.setCountdown(waiting >= 1 && m_program.flags.GameOpen ? SubtitleQueue::kGameWait
                                                                  : PacingWait(waiting, a));
}
