#pragma once

#include <cstdint>

// Milliseconds since the program started, wrapping at 2^32 like the system tick count.
uint32_t GetTickCount();

// Difference of two tick counts, taken modulo 2^32.
inline uint32_t TickDiff(uint32_t now, uint32_t then)
{
    return now - then;
}
