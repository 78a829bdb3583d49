#pragma once

#include <curl/curl.h>

#include <array>
#include <memory>
#include <mutex>

// One cookie-keeping session: a libcurl share of cookies and DNS. Connections are not shared, since
// libcurl does not support a shared connection cache used by several threads at once; each thread
// keeps its own (TransferRunner). Exchanges hold the session by shared pointer, so a reset only drops
// the client's reference and the last exchange on it frees it.
class CurlSession {
  public:
    static std::shared_ptr<CurlSession> Create();

    CurlSession();
    // Discarding the share discards its cookies.
    ~CurlSession();
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    CURLSH* Share() const { return share_; }

  private:
    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* user);
    static void unlock(CURL*, curl_lock_data data, void* user);

    CURLSH* share_ = nullptr;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> locks_;
};
