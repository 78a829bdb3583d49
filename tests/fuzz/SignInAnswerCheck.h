#pragma once
// The checks of the sign-in answer fuzz target, shared with the test that replays its corpus: an
// answer is accepted exactly when it is "ok" or starts with "ok;", and the fields read back into the
// answer they came from.

#include "service/SignInAnswer.h"
#include "service/TextEncoding.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace SignInAnswerCheck {

// What is wrong with reading this answer; empty when nothing is.
inline std::string Check(const uint8_t* data, std::size_t size) {
    const QString answer = Utf8ToWide(reinterpret_cast<const char*>(data), size);
    const bool ok = answer == QLatin1String("ok") || answer.startsWith(QLatin1String("ok;"));
    const QString rest = answer.mid(3);

    const auto login = SignInAnswer::ParseLogin(answer);
    if (login.has_value() != ok)
        return ok ? "an ok answer was refused" : "an answer that is not ok was accepted";
    if (login) {
        const qsizetype split = rest.indexOf(QLatin1Char(';'));
        const QString book = split < 0 ? rest : rest.left(split);
        if (login->startBookId != SignInAnswer::ReadDecimal(book))
            return "the start book is not the second field";
        if (login->token.has_value() != (split >= 0))
            return "a token without a second ';', or none after it";
        if (login->token && QStringLiteral("ok;") + book + QLatin1Char(';') + *login->token != answer)
            return "the fields do not make up the answer";
    }

    const auto token = SignInAnswer::ParseTokenLogin(answer);
    if (token.has_value() != ok)
        return "the automatic sign-in reads ok differently";
    if (token && (token->token || token->startBookId != SignInAnswer::ReadDecimal(rest)))
        return "the automatic sign-in's book is not everything after the first ';'";
    return "";
}

} // namespace SignInAnswerCheck
