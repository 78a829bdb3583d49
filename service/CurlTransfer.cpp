#include "service/CurlTransfer.h"

void CurlTransfer::SetBasicOptions(CURL* h, const Limits& limits) {
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, limits.connectMs);
    // "Below one byte a second for this long" is a stall: nothing arrived.
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, limits.stallSeconds);
    if (limits.totalMs > 0)
        curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, limits.totalMs);
}
