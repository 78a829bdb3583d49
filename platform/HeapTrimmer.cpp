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

void HeapTrimmer::Trim() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}
