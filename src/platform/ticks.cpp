#include "platform/ticks.h"

#include <QElapsedTimer>

uint32_t GetTickCount()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return static_cast<uint32_t>(timer.elapsed());
}
