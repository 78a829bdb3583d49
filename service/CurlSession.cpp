#include "service/CurlSession.h"

std::shared_ptr<CurlSession> CurlSession::Create() {
    auto session = std::make_shared<CurlSession>();
    return session->share_ ? session : nullptr;
}

CurlSession::CurlSession() {
    share_ = curl_share_init();
    if (!share_)
        return;
    curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &CurlSession::lock);
    curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &CurlSession::unlock);
    curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    // No CURL_LOCK_DATA_CONNECT: libcurl does not support one connection cache on several threads.
}

CurlSession::~CurlSession() {
    if (share_)
        curl_share_cleanup(share_);
}

void CurlSession::lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
    static_cast<CurlSession*>(user)->locks_[std::size_t(data) % CURL_LOCK_DATA_LAST].lock();
}

void CurlSession::unlock(CURL*, curl_lock_data data, void* user) {
    static_cast<CurlSession*>(user)->locks_[std::size_t(data) % CURL_LOCK_DATA_LAST].unlock();
}
