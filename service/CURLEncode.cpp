#include "service/CURLEncode.h"

#include <cstring>

const char* const CURLEncode::csUnsafeString = "\"<>%\\^[]`+$,@:;/!#?=&";
const char* const CURLEncode::csHexDigits = "0123456789ABCDEF";

namespace {

bool isUnsafe(unsigned b) {
    if (b < 33 || b > 122)
        return true;
    return std::strchr(CURLEncode::csUnsafeString, static_cast<int>(b)) != nullptr;
}

void appendEscape(QString& out, unsigned b) {
    out += QLatin1Char('%');
    out += QLatin1Char(CURLEncode::csHexDigits[(b >> 4) & 0x0F]);
    out += QLatin1Char(CURLEncode::csHexDigits[b & 0x0F]);
}

} // namespace

QString CURLEncode::UrlEncode(const QString& text) const {
    QString out;
    out.reserve(text.size() * 3);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c <= 0xFF) {
            if (isUnsafe(c))
                appendEscape(out, c);
            else
                out += QLatin1Char(static_cast<char>(c));
            continue;
        }
        // Above U+00FF: the UTF-8 bytes of the whole character (a surrogate pair is one character;
        // a lone surrogate becomes U+FFFD).
        char32_t cp = c;
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            cp = QChar::surrogateToUcs4(c, text.at(i + 1).unicode());
            ++i;
        } else if (QChar::isSurrogate(c)) {
            cp = 0xFFFD;
        }
        unsigned char bytes[4];
        int len;
        if (cp < 0x800) {
            bytes[0] = 0xC0 | (cp >> 6);
            bytes[1] = 0x80 | (cp & 0x3F);
            len = 2;
        } else if (cp < 0x10000) {
            bytes[0] = 0xE0 | (cp >> 12);
            bytes[1] = 0x80 | ((cp >> 6) & 0x3F);
            bytes[2] = 0x80 | (cp & 0x3F);
            len = 3;
        } else {
            bytes[0] = 0xF0 | (cp >> 18);
            bytes[1] = 0x80 | ((cp >> 12) & 0x3F);
            bytes[2] = 0x80 | ((cp >> 6) & 0x3F);
            bytes[3] = 0x80 | (cp & 0x3F);
            len = 4;
        }
        for (int k = 0; k < len; ++k)
            appendEscape(out, bytes[k]);
    }
    return out;
}
