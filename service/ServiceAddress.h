#pragma once

#include <QString>

// The rule for the service address, the same as the build's (cmake/ServiceAddress.cmake): https for
// any host; plain http only to the loopback addresses 127.0.0.0/8 and [::1], since anywhere else the
// password, the sign-in tokens and the learning log would travel in clear.
class ServiceAddress {
  public:
    // Why `url` may not be the service address; empty when it may.
    static QString Problem(const QString& url);

    // The address the program uses: the LEXICARTA_SERVICE_URL environment variable when set, the
    // build's otherwise.
    static QString Configured();
};
