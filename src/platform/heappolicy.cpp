#include "platform/heappolicy.h"

#include <cstdlib> // defines __GLIBC__ where it applies
#if defined(__GLIBC__)
#include <malloc.h>
#endif

void KeepLargeBuffersOffTheHeap()
{
#if defined(__GLIBC__)
    // A fixed threshold: blocks from 128 KiB up are mapped on their own and returned when freed.
    // Left to itself the library raises the threshold up to 32 MiB.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
}
