#include "service/ServiceAddress.h"

#include <QRegularExpression>

QString ServiceAddress::Problem(const QString& url) {
    static const QRegularExpression shape(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*)://([^/?#]*)"));
    static const QRegularExpression bracketed(QStringLiteral("^\\[([0-9A-Fa-f:.]*)\\](:[0-9]*)?$"));
    static const QRegularExpression plain(QStringLiteral("^([^:]*)(:[0-9]*)?$"));
    static const QString octet = QStringLiteral("(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])");
    static const QRegularExpression loopback(QStringLiteral("^127\\.%1\\.%1\\.%1$").arg(octet));

    const QString wrongScheme =
        QStringLiteral("the service address must start with https:// (or http:// on loopback)");
    const QRegularExpressionMatch m = shape.match(url);
    if (!m.hasMatch())
        return wrongScheme;
    const QString scheme = m.captured(1).toLower();
    const QString authority = m.captured(2);
    QString host;
    if (const auto b = bracketed.match(authority); b.hasMatch())
        host = QLatin1Char('[') + b.captured(1) + QLatin1Char(']');
    else if (const auto p = plain.match(authority); p.hasMatch())
        host = p.captured(1).toLower();
    if (host.isEmpty() || authority.contains(QLatin1Char('@')))
        return QStringLiteral("the service address must name a host, without user information");
    if (scheme == QLatin1String("https"))
        return QString();
    if (scheme != QLatin1String("http"))
        return wrongScheme;
    if (loopback.match(host).hasMatch() || host == QLatin1String("[::1]"))
        return QString();
    return QStringLiteral("plain http is allowed only to 127.0.0.0/8 and [::1]; use https for %1").arg(host);
}

QString ServiceAddress::Configured() {
    const QString fromEnvironment = qEnvironmentVariable("LEXICARTA_SERVICE_URL");
    return fromEnvironment.isEmpty() ? QStringLiteral(LEXICARTA_DEFAULT_SERVICE_URL) : fromEnvironment;
}
