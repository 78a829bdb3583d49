#pragma once

#include <QTimer>

// Gives the memory the program has freed back to the system, once a minute. The C library's allocator
// keeps freed memory for reuse and returns only what lies at the end of its heaps; over a day of cards
// (each with its page update, picture and sound) free pages gather in the middle of the heaps, some
// megabytes that it would otherwise keep for good.
class HeapTrimmer {
  public:
    HeapTrimmer();
    HeapTrimmer(const HeapTrimmer&) = delete;
    HeapTrimmer& operator=(const HeapTrimmer&) = delete;

    static constexpr int kIntervalMs = 60 * 1000;

    // Returns the free pages now (a few milliseconds at most).
    static void Trim();

    // Gives every block of kLargeBlockBytes or more pages of its own, returned to the system when the
    // block is freed; called first thing in main. Left to itself the allocator raises that limit to
    // the largest block freed so far, and then the card's large buffers (its script calls, decoded
    // sounds, drawings) come from the heap, where the small blocks that outlive them keep its pages.
    static void MapLargeBlocks();
    static constexpr int kLargeBlockBytes = 128 * 1024;

  private:
    QTimer timer_;
};
