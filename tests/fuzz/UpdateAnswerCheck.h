#pragma once
// The checks of the update answer fuzz target, shared with the test that replays its corpus: the
// version and URL make up the answer again, and each version part is read as a saturating atoi.

#include "service/TextEncoding.h"
#include "service/UpdateAnswer.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>

namespace UpdateAnswerCheck {

// atoi's reading, written out: blanks, a sign, digits; saturated at the int range.
inline int ReferenceAtoi(const char* text) {
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > 1LL + INT_MAX)
            value = 1LL + INT_MAX;
    }
    value = negative ? -value : value;
    return int(value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : value);
}

// What is wrong with reading this answer; empty when nothing is.
inline std::string Check(const uint8_t* data, std::size_t size) {
    const QString answer = Utf8ToWide(reinterpret_cast<const char*>(data), size);
    const UpdateAnswer parsed = UpdateAnswer::Parse(answer);
    const qsizetype semicolon = answer.indexOf(QLatin1Char(';'));
    const QString versionText = semicolon < 0 ? answer : answer.left(semicolon);
    if (semicolon < 0 ? parsed.installerUrl != answer
                      : versionText + QLatin1Char(';') + parsed.installerUrl != answer)
        return "the version and the URL do not make up the answer";

    const QByteArray narrow = WideToNarrow(versionText);
    const qsizetype dot = narrow.indexOf('.');
    const int minor = dot < 0 ? 0 : ReferenceAtoi(narrow.constData() + dot + 1);
    if (parsed.version.major != ReferenceAtoi(narrow.constData()) || parsed.version.minor != minor)
        return "a version part is not read as atoi reads it";
    return "";
}

} // namespace UpdateAnswerCheck
