#include "service/UpdateAnswer.h"

#include "service/TextEncoding.h"

#include <climits>
#include <cstdlib>

namespace {

int atoiClamped(const char* text) {
    const long value = std::strtol(text, nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

} // namespace

UpdateAnswer::Version UpdateAnswer::ParseVersion(const QByteArray& text) {
    Version v;
    v.major = atoiClamped(text.constData());
    const qsizetype dot = text.indexOf('.');
    if (dot >= 0)
        v.minor = atoiClamped(text.constData() + dot + 1);
    return v;
}

UpdateAnswer UpdateAnswer::Parse(const QString& answer) {
    const qsizetype semicolon = answer.indexOf(QLatin1Char(';'));
    UpdateAnswer parsed;
    parsed.version = ParseVersion(WideToNarrow(semicolon < 0 ? answer : answer.left(semicolon)));
    parsed.installerUrl = semicolon < 0 ? answer : answer.mid(semicolon + 1);
    return parsed;
}
