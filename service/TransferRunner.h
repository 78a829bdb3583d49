#pragma once

#include <curl/curl.h>

#include <atomic>
#include <mutex>
#include <vector>

// Runs transfers to their end, each in the calling thread's own multi handle, so that its connections
// stay open for the thread's next transfer (no connection cache is shared between threads) and
// AbortAll can wake a transfer from its wait for the network at once.
class TransferRunner {
  public:
    // Runs `h` to its end, or until AbortAll (CURLE_ABORTED_BY_CALLBACK).
    CURLcode Perform(CURL* h);
    // Every running transfer ends now and every later one at once. It cannot be undone.
    void AbortAll();
    bool Aborted() const { return aborted_.load(); }

  private:
    std::atomic<bool> aborted_{false};
    std::mutex mutex_;
    std::vector<CURLM*> running_; // the multi handles of the transfers running now
};
