#pragma once

#include <QString>

// Whether and how a transfer follows a redirect. Redirects are followed by hand, hop by hop, because
// libcurl's own following re-sends a request body on 307 and 308 to any host and sends its cookies by
// domain alone, whatever the port.
class RedirectRule {
  public:
    static constexpr int kMaxRedirects = 10;

    // The request that got the redirect answer.
    struct Request {
        QString url;
        bool post = false;
    };

    struct Decision {
        bool follow = false;
        QString url;       // the next request's URL
        bool post = false; // 307 and 308 keep the method and its body; the others become GET
        QString reason;    // why not, when not followed
    };

    // Whether `status` is an answer that redirects.
    static bool IsRedirect(long status);

    // The next hop after `status` with `location` (an absolute URL) to `from`; `home` is the origin
    // the request's body, cookies and credentials belong to. Never from https to http, and never a
    // body to another origin.
    static Decision Next(const Request& from, long status, const QString& location, const QString& home);

    // "scheme://host:port" of an http or https URL (lower case, with the default port written out);
    // empty for anything else.
    static QString Origin(const QString& url);
};
