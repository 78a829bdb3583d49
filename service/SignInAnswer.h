#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// The service's answer to a sign-in ("ok", ";", the start book, and for Login ";" and a token), read
// without side effects so that the client applies it under its own lock.
class SignInAnswer {
  public:
    struct Accepted {
        int32_t startBookId = 0;
        std::optional<QString> token; // Login only: set when the answer carries a third field
    };

    // Login: everything after the second ';' is the token. Nothing when the answer is a refusal.
    static std::optional<Accepted> ParseLogin(const QString& answer);
    // TokenLogin: everything after the first ';' is the book id text; never a token.
    static std::optional<Accepted> ParseTokenLogin(const QString& answer);

    // A number read as wcstol with base 10 reads it (leading white space and a sign allowed, reading
    // stops at the first non-digit, 0 without digits), clamped to 32 bits as on the platform the
    // service was made for.
    static int32_t ReadDecimal(const QString& text);
};
