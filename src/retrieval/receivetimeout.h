#pragma once

#include <cstdint>

class DatFetch;

// The receive time-out: a request whose answer has not started 10 s after it was sent is
// given up with "受信タイムアウト". The window calls tick() every 1000 ms (tmrTimeOut).
class ReceiveTimeout
{
public:
    static constexpr uint32_t kLimitMs = 10000;

    explicit ReceiveTimeout(DatFetch &fetch) : m_fetch(fetch) {}

    void tick();

    // Test hook: a shorter wait than 10 s.
    void setLimitForTesting(uint32_t ms) { m_limitMs = ms; }
    uint32_t limit() const { return m_limitMs; }

private:
    DatFetch &m_fetch;
    uint32_t m_limitMs = kLimitMs;
};
