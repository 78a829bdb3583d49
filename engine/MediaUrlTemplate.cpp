#include "engine/MediaUrlTemplate.h"

#include "service/CURLEncode.h"

#include <algorithm>

namespace {

// Replaces the first occurrence, searching again from the start, until none is left; text that a
// replacement forms with its neighbours is replaced too ("%%name%%" with the name "name" gives "name").
// This ends: each match starts with one of the template's own '%', because every '%' that UrlEncode
// writes is followed by two hexadecimal digits and no placeholder continues with two of them, and
// each replacement removes that '%'. `budget` bounds the replacements all the same.
void replaceRepeatedly(QString& text, const QString& placeholder, const QString& value, qsizetype& budget) {
    qsizetype from = 0;
    while (budget > 0) {
        const qsizetype at = text.indexOf(placeholder, from);
        if (at < 0)
            return;
        text.replace(at, placeholder.size(), value);
        --budget;
        // Nothing before the replaced text can complete a placeholder, so the search from the start
        // can skip all but its last characters.
        from = std::max<qsizetype>(0, at - (placeholder.size() - 1));
    }
}

} // namespace

bool MediaUrlTemplate::IsSpace(char16_t c) {
    switch (c) {
    case 0x09:
    case 0x0A:
    case 0x0B:
    case 0x0C:
    case 0x0D:
    case 0x20:
    case 0x1680:
    case 0x2028:
    case 0x2029:
    case 0x205F:
    case 0x3000:
        return true;
    default:
        // En quad to hair space, without the figure space (a no-break space).
        return (c >= 0x2000 && c <= 0x2006) || (c >= 0x2008 && c <= 0x200A);
    }
}

QString MediaUrlTemplate::Trim(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsSpace(text.at(begin).unicode()))
        ++begin;
    while (end > begin && IsSpace(text.at(end - 1).unicode()))
        --end;
    return text.mid(begin, end - begin);
}

QString MediaUrlTemplate::AsciiLower(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        if (c.unicode() >= u'A' && c.unicode() <= u'Z')
            c = QChar(char16_t(c.unicode() + (u'a' - u'A')));
    }
    return out;
}

QString MediaUrlTemplate::Expand(const QString& pattern, uint32_t cardIndex, const Vocabulary& card) {
    const CURLEncode encoder;
    const QString name = Trim(card.name);
    const QString id = QString::number(static_cast<int>(cardIndex + 1));
    const QString nameText = encoder.UrlEncode(name);
    const QString nameLower = encoder.UrlEncode(AsciiLower(name));
    const QString mean = encoder.UrlEncode(card.mean);
    const QString example = AsciiLower(encoder.UrlEncode(card.example));

    QString url = pattern;
    // Never reached: there are at most as many replacements as the template has '%'.
    qsizetype budget = pattern.size();
    replaceRepeatedly(url, QStringLiteral("%id%"), id, budget);
    replaceRepeatedly(url, QStringLiteral("%name%"), nameText, budget);
    replaceRepeatedly(url, QStringLiteral("%name_l%"), nameLower, budget);
    replaceRepeatedly(url, QStringLiteral("%mean%"), mean, budget);
    replaceRepeatedly(url, QStringLiteral("%example%"), example, budget);
    return url;
}
