#include "service/RedirectRule.h"

#include "service/CurlTransfer.h"

#include <curl/curl.h>

#include <memory>

namespace {

QString part(CURLU* u, CURLUPart which, unsigned int flags = 0) {
    char* text = nullptr;
    if (curl_url_get(u, which, &text, flags) != CURLUE_OK || !text)
        return QString();
    const QString value = QString::fromUtf8(text);
    curl_free(text);
    return value;
}

} // namespace

bool RedirectRule::IsRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

QString RedirectRule::Origin(const QString& url) {
    const QByteArray bytes = url.toUtf8();
    if (bytes.isEmpty() || bytes.contains('\0'))
        return QString();
    const CurlTransfer::Url u(curl_url());
    if (!u || curl_url_set(u.get(), CURLUPART_URL, bytes.constData(), 0) != CURLUE_OK)
        return QString();
    const QString scheme = part(u.get(), CURLUPART_SCHEME).toLower();
    const QString host = part(u.get(), CURLUPART_HOST).toLower();
    const QString port = part(u.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    if ((scheme != QLatin1String("http") && scheme != QLatin1String("https")) || host.isEmpty() ||
        port.isEmpty())
        return QString();
    return scheme + QStringLiteral("://") + host + QLatin1Char(':') + port;
}

RedirectRule::Decision RedirectRule::Next(const Request& from, long status, const QString& location,
                                          const QString& home) {
    Decision d;
    const QString target = Origin(location);
    if (!IsRedirect(status) || target.isEmpty()) {
        d.reason = QStringLiteral("no http or https address to go to");
        return d;
    }
    // Never from https down to http: what the encryption protected would travel in clear.
    if (Origin(from.url).startsWith(QLatin1String("https:")) && target.startsWith(QLatin1String("http:"))) {
        d.reason = QStringLiteral("from https to http");
        return d;
    }
    d.post = from.post && (status == 307 || status == 308);
    // A body goes to its own origin only: a 307 or 308 elsewhere is refused, so nothing is sent there.
    if (d.post && target != home) {
        d.reason = QStringLiteral("the request would be sent again to another host");
        return d;
    }
    d.follow = true;
    d.url = location;
    return d;
}
