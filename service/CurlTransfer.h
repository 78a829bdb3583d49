#pragma once

#include <curl/curl.h>

#include <memory>

// What every libcurl transfer of the program shares: handles that free themselves, and the basic
// options with each caller's limits named by the caller.
namespace CurlTransfer {

struct EasyCleanup {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct UrlCleanup {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};
struct ListCleanup {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
using Easy = std::unique_ptr<CURL, EasyCleanup>;
using Url = std::unique_ptr<CURLU, UrlCleanup>;
using HeaderList = std::unique_ptr<curl_slist, ListCleanup>;

struct Limits {
    long connectMs = 0;    // to have a connection
    long stallSeconds = 0; // with not a byte arriving: a stall
    long totalMs = 0;      // for the whole transfer; 0: none
};

// No signals (transfers run on any thread), http and https only, and the limits.
void SetBasicOptions(CURL* h, const Limits& limits);

} // namespace CurlTransfer
