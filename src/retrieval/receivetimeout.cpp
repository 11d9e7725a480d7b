#include "retrieval/receivetimeout.h"

#include "platform/ticks.h"
#include "retrieval/datfetch.h"

void ReceiveTimeout::tick()
{
    if (m_fetch.WaitFirstData() && TickDiff(GetTickCount(), m_fetch.RequestTick()) > m_limitMs)
        m_fetch.TimeOut();
}
