#include "service/TransferRunner.h"

#include <algorithm>
#include <memory>

namespace {

struct MultiCleanup {
    void operator()(CURLM* m) const { curl_multi_cleanup(m); }
};

// The calling thread's multi handle, with the connections its earlier transfers left open.
CURLM* threadMulti() {
    thread_local std::unique_ptr<CURLM, MultiCleanup> multi(curl_multi_init());
    return multi.get();
}

} // namespace

void TransferRunner::AbortAll() {
    aborted_.store(true);
    std::lock_guard lock(mutex_);
    for (CURLM* m : running_)
        curl_multi_wakeup(m);
}

CURLcode TransferRunner::Perform(CURL* h) {
    if (aborted_.load())
        return CURLE_ABORTED_BY_CALLBACK;
    CURLM* m = threadMulti();
    if (!m)
        return CURLE_OUT_OF_MEMORY;
    if (curl_multi_add_handle(m, h) != CURLM_OK)
        return CURLE_OUT_OF_MEMORY;
    {
        std::lock_guard lock(mutex_);
        running_.push_back(m);
    }
    // Registered before the flag is read: an AbortAll from now on either is seen below or wakes the wait.
    CURLcode result = CURLE_OK;
    for (;;) {
        if (aborted_.load()) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        int running = 0;
        if (curl_multi_perform(m, &running) != CURLM_OK) {
            result = CURLE_OUT_OF_MEMORY;
            break;
        }
        bool done = false;
        int queued = 0;
        while (CURLMsg* msg = curl_multi_info_read(m, &queued)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == h) {
                result = msg->data.result;
                done = true;
            }
        }
        if (done)
            break;
        if (running == 0) {
            result = CURLE_GOT_NOTHING; // ended without saying how; never seen in practice
            break;
        }
        if (curl_multi_poll(m, nullptr, 0, 1000, nullptr) != CURLM_OK) {
            result = CURLE_OUT_OF_MEMORY;
            break;
        }
    }
    {
        std::lock_guard lock(mutex_);
        running_.erase(std::find(running_.begin(), running_.end(), m));
    }
    curl_multi_remove_handle(m, h);
    return result;
}
