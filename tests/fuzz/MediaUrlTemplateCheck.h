#pragma once
// The checks of the placeholder fuzz target, shared with the test that replays its corpus: the
// expansion must equal the plain definition (search again from the start until none is left) and
// must end within as many replacements as the template has '%'.

#include "engine/MediaUrlTemplate.h"
#include "service/CURLEncode.h"
#include "service/TextEncoding.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace MediaUrlTemplateCheck {

// The input: four bytes of card index, then template, name, meaning and example separated by zero
// bytes, each decoded as the service's answers are.
struct Input {
    uint32_t cardIndex = 0;
    QString pattern;
    Vocabulary card;
};

inline Input Split(const uint8_t* data, std::size_t size) {
    Input input;
    std::size_t at = 0;
    for (; at < 4 && at < size; ++at)
        input.cardIndex |= uint32_t(data[at]) << (8 * at);
    QString* parts[] = {&input.pattern, &input.card.name, &input.card.mean, &input.card.example};
    for (QString* part : parts) {
        std::size_t end = at;
        while (end < size && data[end] != 0)
            ++end;
        *part = Utf8ToWide(reinterpret_cast<const char*>(data + at), end - at);
        at = end < size ? end + 1 : size;
    }
    return input;
}

// What is wrong with the expansion of this input; empty when nothing is.
inline std::string Check(const uint8_t* data, std::size_t size) {
    const Input in = Split(data, size);
    const QString expanded = MediaUrlTemplate::Expand(in.pattern, in.cardIndex, in.card);

    const CURLEncode encoder;
    const QString name = MediaUrlTemplate::Trim(in.card.name);
    const QString values[5][2] = {
        {QStringLiteral("%id%"), QString::number(static_cast<int>(in.cardIndex + 1))},
        {QStringLiteral("%name%"), encoder.UrlEncode(name)},
        {QStringLiteral("%name_l%"), encoder.UrlEncode(MediaUrlTemplate::AsciiLower(name))},
        {QStringLiteral("%mean%"), encoder.UrlEncode(in.card.mean)},
        {QStringLiteral("%example%"), MediaUrlTemplate::AsciiLower(encoder.UrlEncode(in.card.example))}};
    QString reference = in.pattern;
    const qsizetype percents = in.pattern.count(QLatin1Char('%'));
    qsizetype replacements = 0;
    for (const auto& value : values) {
        for (qsizetype at = reference.indexOf(value[0]); at >= 0; at = reference.indexOf(value[0])) {
            reference.replace(at, value[0].size(), value[1]);
            if (++replacements > percents)
                return "more replacements than the template has '%'";
        }
    }
    if (expanded != reference)
        return "the expansion differs from searching again from the start";
    if (expanded.contains(QStringLiteral("%example%")))
        return "the last placeholder is left";
    return "";
}

} // namespace MediaUrlTemplateCheck
