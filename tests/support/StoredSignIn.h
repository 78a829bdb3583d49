#pragma once

#include "platform/SettingsStore.h"
#include "service/ServiceClient.h"

#include <QString>

// The automatic sign-in of the demo account as a sign-in with the box ticked leaves it in the settings.
namespace StoredSignIn {

// A token for automatic sign-in, issued by the service at `baseUrl` (empty when it issued none).
inline QString IssueToken(const QString& baseUrl) {
    ServiceClient client(baseUrl);
    client.OpenSession();
    if (client.Login(QStringLiteral("demo"), QStringLiteral("demo"), true) != ServiceClient::ResultOk)
        return QString();
    return client.Token();
}

// Stores the automatic sign-in of demo with `token`.
inline void Store(const QString& token) {
    SettingsStore::WriteInt(SettingsStore::AutoLogin.name, 1);
    SettingsStore::WriteString(SettingsStore::User.name, QStringLiteral("demo"));
    SettingsStore::WriteString(SettingsStore::Token.name, token);
}

} // namespace StoredSignIn
