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

  private:
    QTimer timer_;
};
