#include "player/MediaUrlTemplate.h"

#include "service/CURLEncode.h"

namespace {

// Replaces every occurrence in one pass from left to right. Text that a replacement forms together
// with its neighbours is left alone: searching again from the start would never end for a template
// such as "%%name%%" and a card named "name".
void replaceAll(QString& text, const QString& placeholder, const QString& value) {
    text.replace(placeholder, value);
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
    replaceAll(url, QStringLiteral("%id%"), id);
    replaceAll(url, QStringLiteral("%name%"), nameText);
    replaceAll(url, QStringLiteral("%name_l%"), nameLower);
    replaceAll(url, QStringLiteral("%mean%"), mean);
    replaceAll(url, QStringLiteral("%example%"), example);
    return url;
}
