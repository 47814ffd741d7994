#include "engine/batch/memorypolicy.h"

#include <QtGlobal>

#include <climits>

#ifdef __GLIBC__
#include <malloc.h>
#endif

void keepFreedMemory()
{
#ifdef __GLIBC__
    // Large blocks come from the heap, not from maps of their own that free() unmaps (glibc
    // caps the mmap threshold at 32 MB, so turning maps off is the way to cover bigger pictures);
    // the heap's top is never trimmed; and one arena serves every thread, so that a worker
    // reuses what another freed.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
    mallopt(M_ARENA_MAX, 1);
#endif
}
