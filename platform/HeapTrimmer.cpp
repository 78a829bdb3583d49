#include "platform/HeapTrimmer.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

HeapTrimmer::HeapTrimmer() {
    // A coarse timer: the trim may come seconds late, and it wakes the program no more than needed.
    timer_.setTimerType(Qt::VeryCoarseTimer);
    timer_.setInterval(kIntervalMs);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, &HeapTrimmer::Trim);
    timer_.start();
}

void HeapTrimmer::MapLargeBlocks() {
#ifdef __GLIBC__
    // Setting the limit also stops the allocator from moving it.
    mallopt(M_MMAP_THRESHOLD, kLargeBlockBytes);
#endif
}

void HeapTrimmer::Trim() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}
