#include "service/SignInAnswer.h"

#include <algorithm>
#include <climits>
#include <cwchar>
#include <string>

int32_t SignInAnswer::ReadDecimal(const QString& text) {
    const std::wstring wide = text.toStdWString();
    const long value = std::wcstol(wide.c_str(), nullptr, 10);
    return static_cast<int32_t>(std::clamp<long>(value, INT32_MIN, INT32_MAX));
}

namespace {

// The text before the first ';' (the whole answer without one) must be exactly "ok".
bool isOk(const QString& answer, qsizetype first) {
    return answer.left(first < 0 ? answer.size() : first) == QLatin1String("ok");
}

} // namespace

std::optional<SignInAnswer::Accepted> SignInAnswer::ParseLogin(const QString& answer) {
    const qsizetype first = answer.indexOf(QLatin1Char(';'));
    if (!isOk(answer, first))
        return std::nullopt;
    Accepted accepted;
    QString second;
    if (first >= 0) {
        const qsizetype next = answer.indexOf(QLatin1Char(';'), first + 1);
        if (next < 0) {
            second = answer.mid(first + 1);
        } else {
            second = answer.mid(first + 1, next - first - 1);
            accepted.token = answer.mid(next + 1);
        }
    }
    accepted.startBookId = ReadDecimal(second);
    return accepted;
}

std::optional<SignInAnswer::Accepted> SignInAnswer::ParseTokenLogin(const QString& answer) {
    const qsizetype first = answer.indexOf(QLatin1Char(';'));
    if (!isOk(answer, first))
        return std::nullopt;
    Accepted accepted;
    accepted.startBookId = first < 0 ? 0 : ReadDecimal(answer.mid(first + 1));
    return accepted;
}
